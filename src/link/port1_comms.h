#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>

#include "device/hid_backend.h"

namespace vaskiro::link {

using device::HidConnection;
using device::Report;

// The reader thread: waits for the device's reports and hands each one to
// the window's thread, waiting until it has been handled there, so reports
// are processed one at a time and in order. Reads use a short timeout so the
// thread notices a stop request; a failed read clears the device-open flag
// and ends the thread.
class Port1Comms : public QThread {
    Q_OBJECT
public:
    // `connection` and `deviceOpen` must outlive the thread.
    Port1Comms(HidConnection& connection, std::atomic<bool>& deviceOpen, QObject* parent = nullptr);

    static constexpr int kPollMs = 50;

signals:
    // One report: the bytes received, report ID first. Connect it with
    // Qt::BlockingQueuedConnection to a receiver on the window's thread.
    void reportReceived(const QByteArray& bytes);
    // The device could not be read any more (unplugged); emitted once, last.
    void readFailed(const QString& reason);

protected:
    void run() override;

private:
    HidConnection& m_connection;
    std::atomic<bool>& m_deviceOpen;
};

}  // namespace vaskiro::link
