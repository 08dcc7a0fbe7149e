#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <string>

#include "device/device_finder.h"
#include "device/hid_backend.h"

namespace vaskiro::link {

using device::HidBackend;
using device::HidConnection;
using device::OpenResult;
using device::Report;

class Port1Comms;

// The window's one link to the device: finds and opens it on demand, runs
// the reader thread while it is open, sends reports, and closes cleanly.
// Lives on the window's thread; only the reader thread runs elsewhere.
class DeviceLink : public QObject {
    Q_OBJECT
public:
    explicit DeviceLink(std::unique_ptr<HidBackend> backend, QObject* parent = nullptr);
    ~DeviceLink() override;

    // The devices to search; replacing them closes an open device first.
    void setBackend(std::unique_ptr<HidBackend> backend);
    bool hasBackend() const { return m_backend != nullptr; }
    HidBackend* backend() const { return m_backend.get(); }
    // OpenDevice() opens the device at `path`; empty: the first match.
    void setDevicePath(std::string path) { m_devicePath = std::move(path); }
    const std::string& devicePath() const { return m_devicePath; }

    // True while a device is open and its reader thread runs.
    bool DeviceOpen() const { return m_deviceOpen; }
    // The path of the device opened last.
    const std::string& openPath() const { return m_openPath; }

    // Searches with the match texts unless a device is open already. On
    // Opened and ProgramMode the device stays open with its reader running.
    OpenResult OpenDevice();

    // Sends one report, or says why the device refused it.
    core::Result<void> send(const Report& report);

    // Stops the reader thread and closes the device. Safe to call at any
    // time, also while the reader is waiting for a report to be handled.
    void close();

signals:
    // A report from the device, on the window's thread; the reader waits
    // until every receiver has returned.
    void report(const QByteArray& bytes);
    // The device was lost (its reader failed); the link is closed.
    void disconnected(const QString& reason);

private:
    void onReadFailed(const QString& reason);
    void deliver(const QByteArray& bytes);

    std::unique_ptr<HidBackend> m_backend;
    std::unique_ptr<HidConnection> m_connection;
    std::string m_openPath;
    std::string m_devicePath;
    Port1Comms* m_reader = nullptr;
    std::atomic<bool> m_deviceOpen{false};
    bool m_closing = false;
    unsigned m_generation = 0;  // tells a stale reader's failure from the current one's
};

}  // namespace vaskiro::link
