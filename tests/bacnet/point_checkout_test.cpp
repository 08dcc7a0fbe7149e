// The point checkout against a simulated device on a loopback port: found
// from the object-list, read, followed by COV or by polling, and outputs
// driven and released.
#include <gtest/gtest.h>

#include <thread>

#include "bacnet/point_checkout.h"
#include "bacnet/simulated_responder.h"

using namespace vaskiro::bacnet;
using Clock = std::chrono::steady_clock;

namespace {

class Checkout : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        vaskiro::config::ConfigurationImage image;
        image.SetDefaults();
        image.setFlag(vaskiro::config::FlagGroup::OutputStartStatus, 4, true);
        std::string error, note;
        m_responder = SimulatedResponder::open(image, {}, {{127, 0, 0, 1}, 0}, error, note);
        ASSERT_TRUE(m_responder) << error;
        if (!GetParam()) {
            m_responder->device().refuseSubscriptions();
            m_responder->device().refuseReadMultiple();
        }
        m_client = Client::open(0, error, note);
        ASSERT_TRUE(m_client) << error;
        m_client->setRetryInterval(std::chrono::milliseconds(300));
        m_serving = std::thread([this] { m_responder->serve(m_stopServing, Clock::now() + std::chrono::seconds(20)); });
    }
    void stopServing() {
        m_stopServing = true;
        if (m_serving.joinable()) m_serving.join();
    }
    void TearDown() override { stopServing(); }

    std::unique_ptr<SimulatedResponder> m_responder;
    std::unique_ptr<Client> m_client;
    std::atomic<bool> m_stopServing{false};
    std::thread m_serving;
};

}  // namespace

// With COV and ReadPropertyMultiple (true), or a device that refuses both: polled, one ReadProperty at a time.
TEST_P(Checkout, FollowsAnInputAndReleasesTheOutputsItDrove) {
    bool seen = false;
    PointCheckout checkout(*m_client, m_responder->endpoint(), 12345, [&] { return seen; });
    ASSERT_EQ(checkout.findPoints(), "");
    ASSERT_EQ(checkout.points().size(), 40u);
    EXPECT_EQ(checkout.points()[16].object, (ObjectId{kBinaryOutput, 1}));
    EXPECT_EQ(checkout.readsMultiple(), GetParam());
    checkout.readAll();
    EXPECT_EQ(checkout.points()[0].name, "Input 1");
    EXPECT_EQ(checkout.points()[19].value, Primitive(Enumerated{1}));  // output 4 starts on
    EXPECT_EQ(checkout.points()[39].units, 95u);
    EXPECT_EQ(checkout.points()[39].value, Primitive(0.0f));
    checkout.subscribeAll(60);
    EXPECT_EQ(checkout.points()[2].subscribed, GetParam());

    const auto changed = Clock::now();
    m_responder->change([](SimulatedPoints& points) { points.setInput(3, true); });
    checkout.follow(Clock::now() + std::chrono::seconds(3), [&](std::size_t index) { seen = index == 2; });
    EXPECT_TRUE(seen);
    EXPECT_LT(Clock::now() - changed, std::chrono::milliseconds(GetParam() ? 500 : 1500));
    EXPECT_EQ(checkout.points()[2].value, Primitive(Enumerated{1}));

    EXPECT_EQ(checkout.command(2, true, 8), "");
    EXPECT_EQ(checkout.command(5, false, 3), "");
    EXPECT_EQ(checkout.command(17, true, 8), "the device has no output 17");
    EXPECT_EQ(checkout.held(), (std::vector<int>{2, 5}));
    EXPECT_EQ(checkout.command(2, std::nullopt, 8), "");
    EXPECT_EQ(checkout.command(2, true, 9), "");
    EXPECT_TRUE(checkout.releaseAll().empty());
    checkout.cancelSubscriptions();
    stopServing();
    for (int output : {2, 5})
        EXPECT_EQ(m_responder->device().points().priorities(output), SimulatedPoints::PriorityArray{});
    EXPECT_EQ(m_responder->device().subscriptionCount(), 0u);
}
INSTANTIATE_TEST_SUITE_P(Device, Checkout, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "WithCov" : "WithoutCovOrReadMultiple"; });

// A device gone quiet: its points say "no reply" at the next poll, and what was held is said to be held still.
TEST_P(Checkout, ADeviceGoneQuietLeavesItsOutputsHeldAndSaysSo) {
    PointCheckout checkout(*m_client, m_responder->endpoint(), 12345, [] { return false; });
    ASSERT_EQ(checkout.findPoints(), "");
    checkout.readAll();
    ASSERT_EQ(checkout.command(1, true, 8), "");
    stopServing();
    std::vector<std::size_t> changed;
    checkout.follow(Clock::now() + std::chrono::milliseconds(GetParam() ? 100 : 1500),
                    [&](std::size_t index) { changed.push_back(index); });
    EXPECT_EQ(changed.size(), GetParam() ? 0u : 40u);
    EXPECT_EQ(checkout.releaseAll(), std::vector<int>{1});
}

TEST(Checkout, ADeviceThatDoesNotAnswerIsNoReply) {
    std::string error, warning;
    auto silent = UdpSocket::open({{127, 0, 0, 1}, 0}, false, error);
    auto client = Client::open(0, error, warning);
    client->setRetryInterval(std::chrono::milliseconds(50));
    EXPECT_FALSE(findDevice(*client, silent->localEndpoint(), 1, std::chrono::milliseconds(100)));
    PointCheckout checkout(*client, silent->localEndpoint(), 1, [] { return false; });
    EXPECT_EQ(checkout.findPoints(), "no reply");
}
