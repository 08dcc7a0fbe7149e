// Reading a device's objects against a simulated device on a loopback port:
// a refused object-list and a silent device are said, not taken for an
// empty device.
#include <gtest/gtest.h>

#include <thread>

#include "bacnet/object_inventory.h"
#include "bacnet/simulated/simulated_responder.h"

using namespace vaskiro::bacnet;

TEST(ObjectInventory, ARefusedObjectListAndASilentDeviceFailWithTheirReason) {
    vaskiro::core::ConfigurationImage image;
    image.SetDefaults();
    std::string warning;
    auto client = std::move(Client::open(0, warning).value());
    client->setRetryInterval(std::chrono::milliseconds(50));
    auto responder = std::move(SimulatedResponder::open(image, {}, {{127, 0, 0, 1}, 0}, warning).value());
    std::atomic<bool> stop{false};
    std::thread serving([&] { responder->serve(stop, std::chrono::steady_clock::now() + std::chrono::seconds(20)); });
    const auto never = [] { return false; };
    auto read = readInventory(*client, responder->endpoint(), 12345, never);
    ASSERT_TRUE(read) << read.error();
    ASSERT_EQ(read->objects.size(), 41u);
    EXPECT_EQ(read->objects[0].id, (ObjectId{kDeviceObjectType, 12345}));
    EXPECT_FALSE(read->objects[0].cov);
    EXPECT_TRUE(read->objects[40].cov);
    EXPECT_EQ(read->objects[40].units, image.analogueUnitCode(8));
    // Another instance's object-list: the device answers with an Error.
    auto refused = readInventory(*client, responder->endpoint(), 99, never);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().rfind("the device did not give the length of its object-list: ", 0), 0u)
        << refused.error();
    stop = true;
    serving.join();
    auto silent = readInventory(*client, responder->endpoint(), 12345, never);
    ASSERT_FALSE(silent);
    EXPECT_EQ(silent.error(), "no reply");
}
