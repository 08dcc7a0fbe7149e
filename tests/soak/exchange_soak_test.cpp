// Thousands of Reads and Writes against the simulated device with faults
// injected: replies lost, cut short or replaced by garbage, the device
// unplugged (also from another thread). Restarts at any moment are the fuzz target's.
// Nothing is lost: a completed Read holds what the replies carried (what the
// device holds, when nothing was tampered with), and any other exchange
// leaves the image as it was. Leaks are LeakSanitizer's, in the ASan run.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <thread>

#include "core/configuration_image.h"
#include "device/block_codec.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"
#include "device/simulated_device.h"

using namespace vaskiro;
using namespace vaskiro::device;
using namespace std::chrono_literals;

namespace {

enum Fault { None, LostReply, ShortReply, GarbageReply, Unplugged, UnpluggedAsync, FaultCount };

// The device through a link that loses, cuts and corrupts one reply, noting
// what each reply to a read request left in the exchange's buffer.
struct FaultyLink : HidConnection, ExchangePort {
    std::mt19937 random{20240607};
    std::shared_ptr<SimulatedDevice> device;
    int fault = None, faultAt = 0, replies = 0, populated = 0;
    bool tampered = false;
    Report lastSent{}, inBuffer{};
    std::vector<std::tuple<int, int, Report>> readReplies;  // block, part, report
    std::vector<std::string> messages;

    core::Result<void> write(const Report& report) override { return device->write(lastSent = report); }
    ReadResult read(Report& report, int timeoutMs) override {
        ReadResult result = device->read(report, timeoutMs);
        if (result.status != ReadStatus::Report || result.length == 0) return result;
        if (replies++ == faultAt && fault >= LostReply && fault <= GarbageReply) {
            tampered = true;
            if (fault == LostReply) return {ReadStatus::Timeout, 0, {}};
            result.length = std::uniform_int_distribution<std::size_t>(1, kReportSize - (fault == ShortReply))(random);
            if (fault == GarbageReply) std::generate_n(report.begin(), result.length, std::ref(random));
        }
        std::copy_n(report.begin(), result.length, inBuffer.begin());
        if (lastSent[1] == request::ReadBlockPart1 || lastSent[1] == request::ReadBlockPart2)
            readReplies.emplace_back(lastSent[2], lastSent[1] == request::ReadBlockPart1 ? 1 : 2, inBuffer);
        return result;
    }
    bool sendReport(const Report& report) override { return write(report).has_value(); }
    void appendLog(std::string_view) override {}
    void showMessage(MessageKind, std::string_view text) override { messages.emplace_back(text); }
    void populateForm() override { ++populated; }
};

}  // namespace

TEST(ExchangeSoak, ThousandsOfExchangesWithFaultsKeepEveryImageRight) {
    FaultyLink link;
    auto& random = link.random;
    core::ConfigurationImage image;
    image.SetDefaults();
    image.bytes()[core::layout::Reserved] = 0xA5;  // a byte the link never carries
    DeviceExchange exchange(image, link);
    const char* setting = std::getenv("VASKIRO_SOAK_EXCHANGES");
    const int total = setting ? std::max(1, std::atoi(setting)) : 2000;
    int cleanReads = 0, completedWrites = 0, failed = 0;

    for (int n = 0; n < total; ++n) {
        // Every 100, and after an unplugging, a device plugged in again with the same settings.
        if (n % 100 == 0 || !link.device->connected()) {
            auto fresh = std::make_shared<SimulatedDevice>();
            for (int part = 0; link.device && part < 2 * kBlockCount; ++part)
                fresh->setBlockPart(part / 2, 1 + part % 2, link.device->blockPart(part / 2, 1 + part % 2));
            link.device = std::move(fresh);
        }
        const bool isRead = random() % 2 == 0;
        link.fault = random() % 2 ? 0 : 1 + static_cast<int>(random() % (FaultCount - 1));
        link.faultAt = std::uniform_int_distribution<int>(
            0, (isRead ? DeviceExchange::kReadSteps : DeviceExchange::kWriteSteps) - 1)(random);
        link.replies = link.populated = 0;
        link.tampered = false;
        link.readReplies.clear();
        link.messages.clear();
        if (!isRead) {
            image.setName(core::NameGroup::Input, 1 + random() % 16, "In " + std::to_string(random() % 1000));
            image.setObjectIdentifier(random() % 4194303);
        }
        const core::ConfigurationImage before = image;

        std::thread unplugger;
        if (link.fault == Unplugged) link.device->disconnectAfter(link.faultAt + 1);
        if (link.fault == UnpluggedAsync)
            unplugger = std::thread([device = link.device, after = std::chrono::microseconds(random() % 3000)] {
                std::this_thread::sleep_for(after);
                device->disconnect();
            });
        isRead ? exchange.startRead() : exchange.startWrite();
        runExchange(exchange, link, 20ms, 5ms, 5ms);
        if (unplugger.joinable()) unplugger.join();
        ASSERT_TRUE(exchange.idle());

        if (!isRead || link.populated == 0) {
            (!isRead && link.messages == std::vector<std::string>{"Download Complete"}) ? ++completedWrites : ++failed;
            ASSERT_EQ(image, before) << "exchange " << n << " changed the image without completing a Read";
            continue;
        }
        ASSERT_EQ(link.messages, std::vector<std::string>{"Read Complete"});
        core::ConfigurationImage carried = before;
        for (const auto& [block, part, report] : link.readReplies) decodeBlockPart(report, block, part, carried);
        ASSERT_EQ(image, carried) << "exchange " << n;
        if (!link.tampered) {
            link.device->loadImage(carried = before);
            ASSERT_EQ(image, carried) << "a clean Read differs from the device, exchange " << n;
            ++cleanReads;
        }
    }
    EXPECT_TRUE(total < 200 || (cleanReads > total / 10 && completedWrites > total / 10 && failed > total / 20));
}
