// The point checkout against a simulated device on a loopback port: found
// from the object-list, read, followed by COV or by polling, a device gone
// silent and back, outputs driven, read back and released.
#include <gtest/gtest.h>

#include <thread>

#include "bacnet/command_verdict.h"
#include "bacnet/point_checkout.h"
#include "bacnet/simulated/simulated_responder.h"

using namespace vaskiro::bacnet;
using Clock = std::chrono::steady_clock;

namespace {

class Checkout : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        m_image.SetDefaults();
        m_image.setFlag(vaskiro::core::FlagGroup::OutputStartStatus, 4, true);
        std::string warning;
        m_client = std::move(Client::open(0, warning).value());
        m_client->setRetryInterval(std::chrono::milliseconds(100));
        startServing({{127, 0, 0, 1}, 0});
    }
    void startServing(const Endpoint& at) {
        std::string note;
        m_responder = std::move(SimulatedResponder::open(m_image, {}, at, note).value());
        if (!GetParam()) {
            m_responder->device().refuseSubscriptions();
            m_responder->device().refuseReadMultiple();
        }
        serve();
    }
    void serve() {
        m_stopServing = false;
        m_serving = std::thread([this] { m_responder->serve(m_stopServing, Clock::now() + std::chrono::seconds(20)); });
    }
    void stopServing() {
        m_stopServing = true;
        if (m_serving.joinable()) m_serving.join();
    }
    void TearDown() override { stopServing(); }
    // Follows until `done` or `bound` has passed; how long it took.
    Clock::duration followUntil(PointCheckout& checkout, const std::function<bool()>& done, Clock::duration bound,
                                const PointCheckout::DeviceChanged& device = nullptr) {
        const auto start = Clock::now();
        while (!done() && Clock::now() - start < bound)
            checkout.follow(
                Clock::now() + std::chrono::milliseconds(50), [](std::size_t) {}, device);
        return Clock::now() - start;
    }

    vaskiro::core::ConfigurationImage m_image;
    std::unique_ptr<SimulatedResponder> m_responder;
    std::unique_ptr<Client> m_client;
    std::atomic<bool> m_stopServing{false};
    std::thread m_serving;
};

// A device that takes subscriptions and ReadPropertyMultiple.
class CheckoutWithCov : public Checkout {};

const std::vector<std::uint8_t> kPresentValueOn{0x09, 0x55, 0x2E, 0x91, 0x01, 0x2F};

}  // namespace

// With COV and ReadPropertyMultiple (true), or a device that refuses both: polled, one ReadProperty at a time.
TEST_P(Checkout, FollowsAnInputAndReleasesTheOutputsItDrove) {
    bool seen = false;
    PointCheckout checkout(*m_client, m_responder->endpoint(), 12345, [&] { return seen; });
    ASSERT_TRUE(checkout.findPoints());
    ASSERT_EQ(checkout.points().size(), 40u);
    EXPECT_EQ(checkout.points()[16].object, (ObjectId{kBinaryOutput, 1}));
    EXPECT_EQ(checkout.readsMultiple(), GetParam());
    m_responder->change([](SimulatedPoints& points) { points.command(6, 8, true); });  // left by someone else
    checkout.readAll();
    EXPECT_EQ(checkout.points()[0].name, "Input 1");
    EXPECT_EQ(checkout.points()[19].value, Primitive(Enumerated{1}));  // output 4 starts on
    EXPECT_EQ(checkout.points()[39].units, 95u);
    EXPECT_EQ(checkout.points()[39].value, Primitive(0.0f));
    EXPECT_LT(WallClock::now() - checkout.points()[39].receivedAt, std::chrono::seconds(2));
    ASSERT_EQ(checkout.leftovers().size(), 1u);
    EXPECT_EQ(checkout.leftovers()[0].text, "output.6 held on at priority 8, perhaps left by an earlier session");
    checkout.subscribeAll(60);
    EXPECT_EQ(checkout.points()[2].subscribed, GetParam());

    const auto changed = Clock::now();
    m_responder->change([](SimulatedPoints& points) { points.setInput(3, true); });
    checkout.follow(Clock::now() + std::chrono::seconds(3), [&](std::size_t index) { seen = index == 2; });
    EXPECT_TRUE(seen);
    EXPECT_LT(Clock::now() - changed, std::chrono::milliseconds(GetParam() ? 500 : 1500));
    EXPECT_EQ(checkout.points()[2].value, Primitive(Enumerated{1}));

    EXPECT_EQ(checkout.drive(2, true, 8).text, "output.2 on, held at priority 8");
    EXPECT_TRUE(checkout.command(5, false, 3));
    EXPECT_EQ(checkout.command(17, true, 8).error(), "the device has no output 17");
    EXPECT_EQ(checkout.held(), (std::vector<int>{2, 5}));
    EXPECT_TRUE(checkout.command(2, std::nullopt, 8));
    EXPECT_TRUE(checkout.command(2, true, 9));
    EXPECT_EQ(checkout.leftovers().size(), 1u);
    EXPECT_TRUE(checkout.releaseAll().empty());
    checkout.cancelSubscriptions();
    stopServing();
    for (int output : {2, 5})
        EXPECT_EQ(m_responder->device().points().priorities(output), SimulatedPoints::PriorityArray{});
    EXPECT_EQ(m_responder->device().subscriptionCount(), 0u);
}

// Another command above this one: said, with what commands the output, whatever the device acknowledged.
TEST_P(Checkout, ACommandIsReadBack) {
    PointCheckout checkout(*m_client, m_responder->endpoint(), 12345, [] { return false; });
    ASSERT_TRUE(checkout.findPoints());
    m_responder->change([](SimulatedPoints& points) { points.command(7, 3, true); });
    const CommandOutcome off = checkout.drive(7, false, 8);
    EXPECT_EQ(off.verdict, CommandOutcome::Verdict::Overridden);
    EXPECT_EQ(off.text, "output.7 still on: held at priority 3 by another command");
    EXPECT_EQ(off.commandedBy, 3);
    EXPECT_EQ(checkout.drive(7, std::nullopt, 8).text,
              "output.7 released at priority 8; still on: held at priority 3 by another command");
    EXPECT_TRUE(checkout.held().empty());
}

// Silent: said within a refresh and four retry intervals, every point stale; back (a restart on the same port,
// which forgets subscriptions and commands): subscribed again and read afresh, what it forgot said.
TEST_P(Checkout, ADeviceGoneSilentAndRestartedIsSaidAndFollowedAgain) {
    PointCheckout checkout(*m_client, m_responder->endpoint(), 12345, [] { return false; });
    ASSERT_TRUE(checkout.findPoints());
    checkout.readAll();
    checkout.subscribeAll(60);
    ASSERT_EQ(checkout.drive(1, true, 8).verdict, CommandOutcome::Verdict::AsAsked);
    const Endpoint at = m_responder->endpoint();
    stopServing();
    std::vector<DeviceEvent> events;
    const auto record = [&](const DeviceEvent& event) { events.push_back(event); };
    const auto silent = followUntil(
        checkout, [&] { return !events.empty(); }, std::chrono::seconds(4), record);
    EXPECT_LT(silent, std::chrono::milliseconds(3500));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, DeviceEvent::Kind::Silent);
    EXPECT_EQ(events[0].text.rfind("no reply since ", 0), 0u) << events[0].text;
    EXPECT_TRUE(checkout.silentSince());
    EXPECT_TRUE(checkout.points()[2].stale);
    EXPECT_EQ(checkout.releaseAll(), std::vector<int>{1});

    m_responder.reset();
    startServing(at);
    m_responder->change([](SimulatedPoints& points) { points.setInput(3, true); });
    followUntil(
        checkout, [&] { return events.size() == 2; }, std::chrono::seconds(4), record);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].text,
              "answers again; subscribed again and read afresh; output.1 is no longer held at priority 8: command it "
              "again if it should be");
    EXPECT_FALSE(checkout.silentSince());
    EXPECT_EQ(checkout.points()[2].value, Primitive(Enumerated{1}));
    EXPECT_FALSE(checkout.points()[2].stale);
    EXPECT_TRUE(checkout.held().empty());
    EXPECT_EQ(m_responder->device().subscriptionCount(), GetParam() ? 40u : 0u);
}
// A notification counts only from the subscribed device: its address, instance and our process identifier.
TEST_P(CheckoutWithCov, AForgedNotificationAndASmallAnalogueMoveAreToldApart) {
    std::size_t changed = 0;  // the COV increment is 1024
    PointCheckout checkout(*m_client, m_responder->endpoint(), 12345, [] { return false; });
    ASSERT_TRUE(checkout.findPoints());
    checkout.readAll();
    checkout.subscribeAll(60);
    checkout.follow(Clock::now() + std::chrono::milliseconds(200), [](std::size_t) {});
    const Endpoint us{{127, 0, 0, 1}, m_client->localEndpoint().port};
    for (const CovNotification& forged :
         {CovNotification{1, {kDeviceObjectType, 999}, {kBinaryInput, 3}, 60, kPresentValueOn},
          CovNotification{2, {kDeviceObjectType, 12345}, {kBinaryInput, 3}, 60, kPresentValueOn}})
        m_responder->send(forged, us);
    checkout.follow(Clock::now() + std::chrono::milliseconds(300), [&](std::size_t) { ++changed; });
    EXPECT_EQ(changed, 0u);
    m_responder->send(CovNotification{1, {kDeviceObjectType, 12345}, {kBinaryInput, 3}, 60, kPresentValueOn}, us);
    checkout.follow(Clock::now() + std::chrono::milliseconds(300), [&](std::size_t index) { changed += index == 2; });
    EXPECT_EQ(changed, 1u);

    m_responder->change([](SimulatedPoints& points) { points.setAnalogue(2, 0.1f); });
    bool moved = false;
    checkout.follow(Clock::now() + std::chrono::milliseconds(2500), [&](std::size_t index) { moved |= index == 33; });
    EXPECT_TRUE(moved);
    EXPECT_EQ(checkout.points()[33].value, Primitive(0.1f));
}
// A device that leaves ReadPropertyMultiple unanswered is read by ReadProperty after one retry interval.
TEST_P(CheckoutWithCov, ReadPropertyMultipleUnansweredFallsBackToReadProperty) {
    stopServing();  // the device's settings change while it is not serving
    m_responder->device().ignoreReadMultiple();
    serve();
    m_client->setRetryInterval(std::chrono::milliseconds(200));
    PointCheckout checkout(*m_client, m_responder->endpoint(), 12345, [] { return false; });
    const auto start = Clock::now();
    ASSERT_TRUE(checkout.findPoints());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(600));
    EXPECT_FALSE(checkout.readsMultiple());
    EXPECT_EQ(checkout.drive(3, true, 8).text, "output.3 on, held at priority 8");
    EXPECT_TRUE(checkout.releaseAll().empty());
}
INSTANTIATE_TEST_SUITE_P(Device, Checkout, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "WithCov" : "WithoutCovOrReadMultiple"; });
INSTANTIATE_TEST_SUITE_P(Device, CheckoutWithCov, ::testing::Values(true));

TEST(CheckoutMatching, ADeviceThatDoesNotAnswerIsNoReply) {
    std::string warning;
    auto silent = std::move(UdpSocket::open({{127, 0, 0, 1}, 0}, false).value());
    auto client = std::move(Client::open(0, warning).value());
    client->setRetryInterval(std::chrono::milliseconds(50));
    EXPECT_FALSE(findDevice(*client, silent->localEndpoint(), 1, std::chrono::milliseconds(100)));
    PointCheckout checkout(*client, silent->localEndpoint(), 1, [] { return false; });
    EXPECT_EQ(checkout.findPoints().error(), "no reply");
}

// What a command came to, from what the device shows after it: asked (nothing: release), priority, value, slots.
TEST(CommandVerdict, SaysWhatCommandsTheOutput) {
    using V = CommandOutcome::Verdict;
    PriorityArray none{}, at3on{}, at8on{}, at8off{};
    at3on[2] = true;
    at8on[7] = true;
    at8off[7] = false;
    struct Case {
        std::optional<bool> asked;
        int priority;
        bool value;
        std::optional<PriorityArray> slots;
        V verdict;
        const char* text;
    };
    const Case cases[] = {
        {true, 8, true, at8on, V::AsAsked, "output.7 on, held at priority 8"},
        {false, 8, true, at3on, V::Overridden, "output.7 still on: held at priority 3 by another command"},
        {true, 8, true, at3on, V::Overridden,
         "output.7 on, but held at priority 3 by another command, above this one at priority 8"},
        {true, 8, false, none, V::Failed, "output.7 off: the device took on at priority 8 but does not show it"},
        {std::nullopt, 8, false, none, V::AsAsked, "output.7 released at priority 8; now off, its relinquish-default"},
        {std::nullopt, 9, true, at8on, V::Overridden,
         "output.7 released at priority 9; still on: held at priority 8 by another command"},
        {std::nullopt, 8, false, at8off, V::Failed, "output.7 still held at priority 8 after the release"},
        {true, 8, true, std::nullopt, V::AsAsked, "output.7 on (the device shows no priority-array)"},
        {true, 8, false, std::nullopt, V::Overridden,
         "output.7 still off after on at priority 8 (the device shows no priority-array to say what holds it)"},
    };
    for (const Case& c : cases) {
        const CommandOutcome outcome =
            judgeCommand(7, c.asked, static_cast<std::uint8_t>(c.priority), c.value, c.slots);
        EXPECT_EQ(outcome.verdict, c.verdict) << c.text;
        EXPECT_EQ(outcome.text, c.text);
    }
}
