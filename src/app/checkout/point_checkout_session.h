#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "bacnet/point_checkout.h"
#include "core/configuration_image.h"

namespace vaskiro::app {

// What the window shows of one point: the value as last received, when, and
// whether it may no longer be what the device holds.
struct PointState {
    bacnet::Point point;
    std::optional<QDateTime> readAt;  // local wall time; none: never received
    bool stale = false;
};

// The checkout's network side on a thread of its own, so that no wait for the
// device (a silent one included) ever holds up the window. Requests come from
// the window thread and are carried out in order; every result comes back as
// a signal on the window thread. Outputs are commanded at priority 8 only.
class PointCheckoutSession : public QObject {
    Q_OBJECT
public:
    static constexpr std::uint8_t kPriority = bacnet::kOperatorPriority;

    PointCheckoutSession(const core::ConfigurationImage& image, QObject* parent = nullptr);
    // Ends the thread: releases what it holds and cancels the subscriptions, bounded in time.
    ~PointCheckoutSession() override;

    // Each queued and carried out after those before it.
    void command(int channel, std::optional<bool> active);
    // Releases every output this session drove; answered by released().
    void releaseHeld();
    // Releases outputs found held at priority 8 that this session did not drive.
    void releaseLeftovers(const std::vector<int>& channels);
    // Stops following, releases, cancels the subscriptions; answered by ended().
    void finish();
    bool running() const { return m_thread.joinable() && !m_ended; }

signals:
    void said(const QString& status);
    // Every point as it stands, with those whose value changed since the last time.
    void updated(const std::vector<vaskiro::app::PointState>& points, const std::vector<std::size_t>& changed);
    // The device last answered at `since` and has been silent since; none: it answers.
    void silence(const std::optional<QDateTime>& since);
    // It answers again after a silence: what was done and what it no longer holds.
    void answersAgain(const QString& text);
    void heldChanged(const std::vector<int>& held);
    // Outputs held at priority 8 when the checkout began, and the engine's words for them.
    void leftoversFound(const std::vector<int>& channels, const QString& text);
    // The read-back after a command: where the output is and who holds it.
    void commanded(const QString& readBack);
    void released(const std::vector<int>& stillHeld);
    void ended(const std::vector<int>& stillHeld);

private:
    struct Request {
        enum class Kind { Command, ReleaseHeld } kind = Kind::Command;
        int channel = 0;
        std::optional<bool> active;
    };
    void run(core::ConfigurationImage image);
    void follow(bacnet::PointCheckout& checkout);
    void carryOut(bacnet::PointCheckout& checkout, const Request& request);
    void post(std::function<void()> onWindowThread);
    void postPoints(const bacnet::PointCheckout& checkout, std::vector<std::size_t> changed);
    void enqueue(Request request);

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_ended{false};
    std::mutex m_mutex;
    std::deque<Request> m_requests;
    std::thread m_thread;
};

}  // namespace vaskiro::app
