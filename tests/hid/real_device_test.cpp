// A Write and a Read with a real device, opt-in: skipped unless
// VASKIRO_TEST_DEVICE names the device's path (as `vaskiro list` prints it).
// The device's configuration is read first and written back at the end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/configuration_image.h"
#include "device/device_finder.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"
#include "hid/hidapi_backend.h"

using namespace vaskiro;

namespace {

struct DevicePort : device::ExchangePort {
    explicit DevicePort(device::HidConnection& c) : connection(c) {}
    device::HidConnection& connection;
    std::string message;
    bool sendReport(const device::Report& report) override { return connection.write(report).has_value(); }
    void appendLog(std::string_view) override {}
    void showMessage(device::MessageKind, std::string_view text) override { message = text; }
    void populateForm() override {}
};

// Runs one Read or Write of `image`; the device's closing message.
std::string exchange(device::HidConnection& connection, core::ConfigurationImage& image, bool write) {
    DevicePort port(connection);
    device::DeviceExchange machine(image, port);
    write ? machine.startWrite() : machine.startRead();
    device::runExchange(machine, connection);
    return port.message;
}

}  // namespace

TEST(RealDevice, WriteThenReadRestoresWhatItFound) {
    const char* path = std::getenv("VASKIRO_TEST_DEVICE");
    if (!path || !*path) GTEST_SKIP() << "set VASKIRO_TEST_DEVICE=PATH to test with a real device";
    auto backend = hid::makeHidapiBackend();
    device::OpenResult opened = device::openVaskiroAt(*backend, path);
    ASSERT_TRUE(opened.connection) << opened.error;

    core::ConfigurationImage found;
    ASSERT_EQ(exchange(*opened.connection, found, false), "Read Complete");
    core::ConfigurationImage changed = found;
    changed.setName(core::NameGroup::Input, 1, "Test " + std::to_string(std::rand() % 1000));
    ASSERT_EQ(exchange(*opened.connection, changed, true), "Download Complete");
    core::ConfigurationImage back = found;
    EXPECT_EQ(exchange(*opened.connection, back, false), "Read Complete");
    EXPECT_EQ(back.name(core::NameGroup::Input, 1), changed.name(core::NameGroup::Input, 1));
    EXPECT_EQ(exchange(*opened.connection, found, true), "Download Complete")
        << "the device's configuration was not restored";
}
