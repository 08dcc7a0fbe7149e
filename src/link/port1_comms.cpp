#include "link/port1_comms.h"

namespace vaskiro::link {

using namespace device;

Port1Comms::Port1Comms(HidConnection& connection, std::atomic<bool>& deviceOpen, QObject* parent)
    : QThread(parent), m_connection(connection), m_deviceOpen(deviceOpen) {
    setObjectName(QStringLiteral("Port1Comms"));
}

void Port1Comms::run() {
    Report readBuffer{};
    while (!isInterruptionRequested()) {
        ReadResult result = m_connection.read(readBuffer, kPollMs);
        if (result.status == ReadStatus::Timeout) continue;
        if (result.status == ReadStatus::Failed) {
            m_deviceOpen = false;
            emit readFailed(QString::fromStdString(result.error));
            return;
        }
        if (result.length == 0) continue;
        QByteArray bytes(reinterpret_cast<const char*>(readBuffer.data()), static_cast<qsizetype>(result.length));
        readBuffer.fill(0);
        if (isInterruptionRequested()) return;
        emit reportReceived(bytes);
    }
}

}  // namespace vaskiro::link
