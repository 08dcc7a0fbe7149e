// Thousands of Reads and Writes against the simulated device, interleaved,
// with faults injected on the way: replies lost, cut short or replaced by
// garbage, the device unplugged (also from another thread, at any moment),
// and exchanges restarted half-way. The process must stay up, the heap must
// not grow, every completed Read must hold what the replies carried (what
// the device holds, when nothing was tampered with), and every exchange that
// did not complete must leave the image as it was.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/configuration_image.h"
#include "device/block_codec.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"
#include "device/simulated_device.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VASKIRO_ASAN 1
#endif
#if __has_feature(thread_sanitizer)
#define VASKIRO_TSAN 1
#endif
#endif
#ifdef __SANITIZE_ADDRESS__
#define VASKIRO_ASAN 1
#endif
#ifdef __SANITIZE_THREAD__
#define VASKIRO_TSAN 1
#endif
#ifdef VASKIRO_ASAN
#include <sanitizer/allocator_interface.h>
#endif

using namespace vaskiro;
using namespace vaskiro::device;
using namespace std::chrono_literals;

namespace {

// Bytes in use on the heap, by whichever allocator the build has. Not under
// ThreadSanitizer, whose per-thread allocator statistics drift as threads
// come and go; that build is for races, the others watch the heap.
std::optional<std::size_t> heapInUse() {
#if defined(VASKIRO_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#elif defined(VASKIRO_TSAN)
    return std::nullopt;
#else
    return mallinfo2().uordblks;
#endif
}

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4;
}

enum class Fault { None, LostReply, ShortReply, GarbageReply, Unplugged, UnpluggedAsync, Restarted };
constexpr Fault kFaults[] = {Fault::None, Fault::LostReply, Fault::ShortReply, Fault::GarbageReply,
                             Fault::Unplugged, Fault::UnpluggedAsync, Fault::Restarted};

// The device as the host sees it through a link that can lose, cut and
// corrupt replies. It also records what each reply to a read request
// delivered, so a completed Read can be checked against what was carried.
class FaultyLink : public HidConnection {
public:
    explicit FaultyLink(std::mt19937& random) : m_random(random) {}

    std::shared_ptr<SimulatedDevice> device;
    Fault fault = Fault::None;
    int faultAt = 0;   // the reply (counted from the exchange's start) that the fault hits
    int replies = 0;   // replies delivered in this exchange
    bool tampered = false;
    Report lastSent{};
    struct Stored {
        int block;
        int part;
        Report report;
    };
    std::vector<Stored> readReplies;

    bool write(const Report& report, std::string& error) override {
        lastSent = report;
        return device->write(report, error);
    }

    ReadResult read(Report& report, int timeoutMs) override {
        ReadResult result = device->read(report, timeoutMs);
        if (result.status != ReadStatus::Report || result.length == 0) return result;
        if (replies++ == faultAt) {
            switch (fault) {
            case Fault::LostReply:
                tampered = true;
                return {ReadStatus::Timeout, 0, {}};
            case Fault::ShortReply:
                tampered = true;
                result.length = std::uniform_int_distribution<std::size_t>(1, kReportSize - 1)(m_random);
                break;
            case Fault::GarbageReply:
                tampered = true;
                result.length = std::uniform_int_distribution<std::size_t>(1, kReportSize)(m_random);
                for (std::size_t i = 0; i < result.length; ++i) report[i] = static_cast<std::uint8_t>(m_random());
                break;
            default:
                break;
            }
        }
        // What the exchange's incoming buffer holds now: these bytes over
        // the previous report's.
        std::copy_n(report.begin(), result.length, m_inReport.begin());
        if (lastSent[1] == request::ReadBlockPart1 || lastSent[1] == request::ReadBlockPart2)
            readReplies.push_back({lastSent[2], lastSent[1] == request::ReadBlockPart1 ? 1 : 2, m_inReport});
        return result;
    }

    void beginExchange() {
        replies = 0;
        tampered = false;
        readReplies.clear();
    }

private:
    std::mt19937& m_random;
    Report m_inReport{};
};

struct SoakPort : ExchangePort {
    FaultyLink* link = nullptr;
    int populated = 0;
    std::vector<std::string> messages;

    bool sendReport(const Report& report) override {
        std::string error;
        return link->write(report, error);
    }
    void appendLog(std::string_view) override {}
    void showMessage(MessageKind, std::string_view text) override { messages.emplace_back(text); }
    void populateForm() override { ++populated; }
};

int exchangeCount() {
    const char* text = std::getenv("VASKIRO_SOAK_EXCHANGES");
    return text ? std::max(1, std::atoi(text)) : 2000;
}

// Some settings changed at random, so that Writes change the device.
void edit(config::ConfigurationImage& image, std::mt19937& random) {
    auto pick = [&](int count) { return std::uniform_int_distribution<int>(1, count)(random); };
    image.setName(config::NameGroup::Input, pick(config::kInputCount), "In " + std::to_string(random() % 1000));
    image.setName(config::NameGroup::Output, pick(config::kOutputCount), "Out " + std::to_string(random() % 1000));
    image.setFlag(config::FlagGroup::InvertInput, pick(config::kInputCount), random() % 2 != 0);
    image.setAnalogueUnitCode(pick(config::kAnalogueCount), random() % 190);
    image.setAnalogueValue(config::FloatGroup::COVIncrement, pick(config::kAnalogueCount), random() % 5000 / 8.0);
    image.setObjectIdentifier(random() % 4194303);
    image.setText(config::TextField::Location, "Room " + std::to_string(random() % 100));
}

}  // namespace

TEST(ExchangeSoak, ThousandsOfExchangesWithFaultsKeepEveryImageRight) {
    std::mt19937 random(20240607);
    FaultyLink link(random);
    link.device = std::make_shared<SimulatedDevice>();
    SoakPort port;
    port.link = &link;
    config::ConfigurationImage image;
    image.SetDefaults();
    image.bytes()[config::layout::Reserved] = 0xA5;  // a byte the link never carries
    DeviceExchange exchange(image, port);

    // A lost device comes back with its settings, as one plugged in again.
    auto replug = [&] {
        auto fresh = std::make_shared<SimulatedDevice>();
        for (int block = 0; block < kBlockCount; ++block)
            for (int part = 1; part <= 2; ++part) fresh->setBlockPart(block, part, link.device->blockPart(block, part));
        link.device = std::move(fresh);
    };
    // The window's reader keeps reading while no exchange runs, and the idle
    // machine ignores what arrives; the runner stops at idle, so do it here.
    auto drain = [&] {
        Report report{};
        for (ReadResult r; (r = link.device->read(report, 0)).status == ReadStatus::Report;) {
            const std::int32_t state = exchange.ExchangeState();
            exchange.ProcessDeviceReport(std::span(report.data(), r.length));
            ASSERT_EQ(exchange.ExchangeState(), state);
        }
    };

    const int total = exchangeCount();
    constexpr int kCheckpointEvery = 100;
    constexpr int kBaselineAt = 2 * kCheckpointEvery;
    // The exchange allocates nothing per report; the tolerance covers the
    // fixture's own containers, whose capacities vary by a few dozen bytes.
    constexpr std::size_t kHeapTolerance = 4096;
    const auto replyTimeout = 20ms;
    std::optional<std::size_t> heapAtBaseline;
    [[maybe_unused]] long residentAtBaseline = 0;
    int completedReads = 0, cleanReads = 0, completedWrites = 0, failed = 0;
    std::vector<int> faultCounts(std::size(kFaults));

    for (int n = 0; n < total; ++n) {
        if (n % kCheckpointEvery == 0) {
            // Fresh device (its record of received reports empty): whatever
            // the heap holds now beyond the first checkpoint has leaked.
            // The first checkpoints come after one-time allocations (the
            // first threads, the containers' final capacities).
            replug();
            if (n == kBaselineAt) {
                heapAtBaseline = heapInUse();
                residentAtBaseline = residentKiB();
            } else if (n > kBaselineAt && heapAtBaseline) {
                ASSERT_LE(*heapInUse(), *heapAtBaseline + kHeapTolerance) << "heap grew by exchange " << n;
            }
        }
        if (!link.device->connected()) replug();
        drain();

        const bool isRead = random() % 2 == 0;
        const std::size_t faultIndex = random() % 2 == 0 ? 0 : 1 + random() % (std::size(kFaults) - 1);
        const Fault fault = kFaults[faultIndex];
        ++faultCounts[faultIndex];
        const int steps = isRead ? DeviceExchange::kReadSteps : DeviceExchange::kWriteSteps;
        link.fault = fault;
        link.faultAt = std::uniform_int_distribution<int>(0, steps - 1)(random);
        link.beginExchange();
        port.populated = 0;
        port.messages.clear();
        if (!isRead) edit(image, random);
        const config::ConfigurationImage before = image;

        std::thread unplugger;
        if (fault == Fault::Unplugged) link.device->disconnectAfter(link.faultAt + 1);
        if (fault == Fault::UnpluggedAsync) {
            const auto after = std::chrono::microseconds(random() % 3000);
            unplugger = std::thread([device = link.device, after] {
                std::this_thread::sleep_for(after);
                device->disconnect();
            });
        }
        auto start = [&] { isRead ? exchange.startRead() : exchange.startWrite(); };
        start();
        if (fault == Fault::Restarted) {
            // Some replies handled, then the user clicks again.
            for (int i = 0; i < link.faultAt && !exchange.idle(); ++i) {
                Report reply{};
                ReadResult r = link.read(reply, 1000);
                if (r.status != ReadStatus::Report) break;
                exchange.ProcessDeviceReport(std::span(reply.data(), r.length));
            }
            link.beginExchange();
            link.fault = Fault::None;
            start();
        }
        runExchange(exchange, link, replyTimeout, 5ms);
        if (unplugger.joinable()) unplugger.join();
        ASSERT_TRUE(exchange.idle());

        const bool completed = isRead ? port.populated == 1 : port.messages == std::vector<std::string>{"Download Complete"};
        if (!isRead) {
            ASSERT_EQ(image, before) << "a Write changed the image, exchange " << n;
            ASSERT_EQ(port.populated, 0);
            completed ? ++completedWrites : ++failed;
            continue;
        }
        if (!completed) {
            ++failed;
            ASSERT_EQ(image, before) << "a failed Read changed the image, exchange " << n;
            continue;
        }
        ++completedReads;
        ASSERT_EQ(port.messages, std::vector<std::string>{"Read Complete"});
        // Each block part holds what the last reply to its request carried.
        config::ConfigurationImage carried = before;
        for (const auto& stored : link.readReplies) decodeBlockPart(stored.report, stored.block, stored.part, carried);
        ASSERT_EQ(image, carried) << "exchange " << n;
        if (!link.tampered && fault != Fault::Restarted) {
            config::ConfigurationImage held = before;
            link.device->loadImage(held);
            ASSERT_EQ(image, held) << "a clean Read differs from the device, exchange " << n;
            ++cleanReads;
        }
    }

    // Resident memory, where no sanitizer keeps freed memory in quarantine.
#if !defined(VASKIRO_ASAN) && !defined(VASKIRO_TSAN)
    if (total > kBaselineAt) {
        EXPECT_LE(residentKiB(), residentAtBaseline + 1024);
    }
#endif
    std::printf("%d exchanges: %d Reads completed (%d clean), %d Writes completed, %d failed; faults:", total,
                completedReads, cleanReads, completedWrites, failed);
    for (std::size_t i = 0; i < faultCounts.size(); ++i) std::printf(" %d", faultCounts[i]);
    std::printf("\n");
    if (total >= 200) {
        EXPECT_GT(cleanReads, total / 10);
        EXPECT_GT(completedWrites, total / 10);
        EXPECT_GT(failed, total / 20);
    }
}
