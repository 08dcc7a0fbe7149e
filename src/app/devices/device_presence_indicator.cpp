#include "app/devices/device_presence_indicator.h"

#include <algorithm>

#include "app/devices/device_changes.h"

namespace vaskiro::app {

DevicePresenceIndicator::DevicePresenceIndicator(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("DevicePresenceLabel"));
    connect(&m_poll, &QTimer::timeout, this, &DevicePresenceIndicator::refresh);
}

void DevicePresenceIndicator::setBackend(device::HidBackend* backend) {
    m_backend = backend;
    m_poll.stop();
    if (!backend) return refresh();
    // The system's notice shows a change at once; the enumeration every poll
    // interval covers a notice that never comes (no udev daemon running).
    if (backend->systemAnnouncesChanges() && !m_systemWatch)
        m_systemWatch = watchDeviceChanges(this, *backend, [this] { refresh(); });
    m_poll.start(backend->pollInterval());
    refresh();
}

void DevicePresenceIndicator::setIdentified(const std::string& path, const device::DeviceIdentity& identity) {
    if (m_identified && m_identified->path == path && m_identified->identity.serial == identity.serial &&
        m_identified->identity.version == identity.version)
        return;
    m_identified = device::IdentifiedDevice{path, identity};
    refresh();
}

void DevicePresenceIndicator::refresh() {
    device::DevicePresence presence =
        device::assessPresence(m_backend ? m_backend->enumerate() : std::vector<device::HidDeviceInfo>{});
    if (m_identified && std::none_of(presence.devices.begin(), presence.devices.end(),
                                     [&](const device::HidDeviceInfo& d) { return d.path == m_identified->path; }))
        m_identified.reset();
    device::PresenceText shown = device::describePresence(presence, m_identified);
    setText(QString::fromStdString(shown.text));
    setToolTip(QString::fromStdString(shown.tooltip));
    emit refreshed();
}

}  // namespace vaskiro::app
