#include "link/device_link.h"

#include <QCoreApplication>
#include <QEvent>

#include "link/port1_comms.h"

namespace vaskiro::link {

using namespace device;

DeviceLink::DeviceLink(std::unique_ptr<HidBackend> backend, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)) {}

DeviceLink::~DeviceLink() { close(); }

void DeviceLink::setBackend(std::unique_ptr<HidBackend> backend) {
    close();
    m_backend = std::move(backend);
}

OpenResult DeviceLink::OpenDevice() {
    if (m_deviceOpen) return {OpenOutcome::Opened, nullptr, {}, {}};
    close();  // a link whose reader failed: release it before searching again
    if (!m_backend) return {OpenOutcome::NotFound, nullptr, {}, {}};

    OpenResult result = m_devicePath.empty() ? findAndOpenVaskiro(*m_backend) : openVaskiroAt(*m_backend, m_devicePath);
    if (!result.connection) return result;

    m_connection = std::move(result.connection);
    m_openPath = result.path;
    m_deviceOpen = true;
    m_reader = new Port1Comms(*m_connection, m_deviceOpen);
    connect(m_reader, &Port1Comms::reportReceived, this, &DeviceLink::deliver, Qt::BlockingQueuedConnection);
    connect(
        m_reader, &Port1Comms::readFailed, this,
        [this, generation = ++m_generation](const QString& reason) {
            if (generation == m_generation) onReadFailed(reason);
        },
        Qt::QueuedConnection);
    m_reader->start();
    return result;
}

core::Result<void> DeviceLink::send(const Report& report) {
    if (!m_connection) return core::Unexpected(std::string("the device is not open"));
    return m_connection->write(report);
}

void DeviceLink::deliver(const QByteArray& bytes) {
    if (!m_closing) emit report(bytes);
}

void DeviceLink::onReadFailed(const QString& reason) {
    if (!m_reader) return;
    close();
    emit disconnected(reason);
}

void DeviceLink::close() {
    if (m_reader) {
        m_closing = true;
        m_reader->requestInterruption();
        // The reader may be blocked handing a report over to this thread:
        // deliver that hand-over (ignored while closing) so it can return.
        while (!m_reader->wait(10)) QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        m_reader->disconnect(this);
        delete m_reader;
        m_reader = nullptr;
        m_closing = false;
    }
    // A read failure may still be queued for this link: it finds no reader.
    m_deviceOpen = false;
    m_connection.reset();
}

}  // namespace vaskiro::link
