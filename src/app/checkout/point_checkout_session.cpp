#include "app/checkout/point_checkout_session.h"

#include <QStringList>

#include <chrono>
#include <functional>

#include "bacnet/configured_device.h"
#include "core/bacnet_numbers.h"
#include "core/display_text.h"

namespace vaskiro::app {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFollowSlice = std::chrono::milliseconds(200);  // how soon a request from the window is taken up

QString shownEscaped(const std::string& text) { return QString::fromStdString(core::escapeControlCharacters(text)); }

std::optional<QDateTime> localTime(bacnet::WallClock::time_point at) {
    if (at == bacnet::WallClock::time_point{}) return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count());
}

}  // namespace

PointCheckoutSession::PointCheckoutSession(const core::ConfigurationImage& image, QObject* parent) : QObject(parent) {
    m_thread = std::thread([this, image] { run(image); });
}

PointCheckoutSession::~PointCheckoutSession() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void PointCheckoutSession::enqueue(Request request) {
    std::lock_guard lock(m_mutex);
    m_requests.push_back(request);
}

void PointCheckoutSession::command(int channel, std::optional<bool> active) {
    enqueue({Request::Kind::Command, channel, active});
}

void PointCheckoutSession::releaseHeld() { enqueue({Request::Kind::ReleaseHeld, 0, std::nullopt}); }

void PointCheckoutSession::releaseLeftovers(const std::vector<int>& channels) {
    for (int channel : channels) enqueue({Request::Kind::Command, channel, std::nullopt});
}

void PointCheckoutSession::finish() { m_stop = true; }

void PointCheckoutSession::post(std::function<void()> onWindowThread) {
    QMetaObject::invokeMethod(this, std::move(onWindowThread), Qt::QueuedConnection);
}

void PointCheckoutSession::run(core::ConfigurationImage image) {
    std::vector<int> stillHeld;
    std::string warning;
    auto say = [this](const std::string& text) { post([this, text = shownEscaped(text)] { emit said(text); }); };
    const auto configured = bacnet::configuredDevice(image);
    const std::uint32_t instance = configured ? configured->instance : 0;
    core::Result<std::unique_ptr<bacnet::Client>> opened = core::Unexpected(std::string());
    if (configured) opened = bacnet::Client::open(configured->at.port, warning);
    bacnet::Client* client = opened ? opened->get() : nullptr;
    const auto device =
        client ? bacnet::findDevice(*client, configured->at, instance, core::kNetworkTimeout) : std::nullopt;
    if (!device) {
        say(!configured ? configured.error()
            : client    ? "Nothing answered as BACnet device " + std::to_string(instance) + " at " +
                           bacnet::formatEndpoint(configured->at) +
                           ". Check the device, its address and port, and the network."
                     : opened.error());
    } else {
        client->setRetryInterval(std::chrono::milliseconds(1000));
        bacnet::PointCheckout checkout(*client, device->address, instance, [this] { return m_stop.load(); });
        if (auto found = checkout.findPoints(); !found) {
            say("The points could not be found: " + found.error());
        } else {
            checkout.readAll();
            postPoints(checkout, {});
            std::vector<int> channels;
            QStringList texts;
            for (const bacnet::Leftover& leftover : checkout.leftovers()) {
                channels.push_back(leftover.channel);
                texts << shownEscaped(leftover.text);
            }
            if (!channels.empty())
                post(
                    [this, channels, text = texts.join(QStringLiteral("; "))] { emit leftoversFound(channels, text); });
            checkout.subscribeAll(300);
            std::size_t subscribed = 0;
            for (const bacnet::Point& point : checkout.points()) subscribed += point.subscribed ? 1 : 0;
            say("BACnet device " + std::to_string(instance) + " at " + bacnet::formatEndpoint(device->address) + ": " +
                std::to_string(subscribed) + " points by COV, " +
                std::to_string(checkout.points().size() - subscribed) + " read every second.");
            follow(checkout);
            stillHeld = checkout.releaseAll();
            checkout.cancelSubscriptions();
        }
    }
    m_ended = true;
    post([this, stillHeld] { emit ended(stillHeld); });
}

void PointCheckoutSession::follow(bacnet::PointCheckout& checkout) {
    while (!m_stop) {
        std::vector<std::size_t> changed;
        checkout.follow(
            Clock::now() + kFollowSlice, [&](std::size_t i) { changed.push_back(i); },
            [this](const bacnet::DeviceEvent& event) {
                if (event.kind == bacnet::DeviceEvent::Kind::Answering)
                    post([this, text = shownEscaped(event.text)] { emit answersAgain(text); });
            });
        postPoints(checkout, std::move(changed));
        const auto silentSince = checkout.silentSince();
        post([this, since = silentSince ? localTime(*silentSince) : std::nullopt] { emit silence(since); });
        std::deque<Request> requests;
        {
            std::lock_guard lock(m_mutex);
            requests.swap(m_requests);
        }
        for (const Request& request : requests) carryOut(checkout, request);
    }
}

void PointCheckoutSession::carryOut(bacnet::PointCheckout& checkout, const Request& request) {
    if (request.kind == Request::Kind::ReleaseHeld) {
        const std::vector<int> still = checkout.releaseAll();
        post([this, still, held = checkout.held()] {
            emit heldChanged(held);
            emit released(still);
        });
        return;
    }
    const bacnet::CommandOutcome outcome = checkout.drive(request.channel, request.active, kPriority);
    post([this, text = shownEscaped(outcome.text), held = checkout.held()] {
        emit heldChanged(held);
        emit commanded(text);
    });
}

void PointCheckoutSession::postPoints(const bacnet::PointCheckout& checkout, std::vector<std::size_t> changed) {
    std::vector<PointState> states;
    for (const bacnet::Point& point : checkout.points())
        states.push_back({point, localTime(point.receivedAt), point.stale});
    post([this, states = std::move(states), changed = std::move(changed)] { emit updated(states, changed); });
}

}  // namespace vaskiro::app
