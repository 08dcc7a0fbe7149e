// The exchange state machine driven by a script of operations taken from the
// input: start a Write, Read or Identify at any moment, abandon, fail sends,
// start a new exchange from inside a message box, and deliver reports of any
// length and content, or the simulated device's own replies.
//
// Invariants: the image changes only when a Read completes, and then only in
// bytes that some block part carries; a report is read only within its
// length; a report that arrives while idle causes nothing at all; each report
// handled sends at most one request; the machine stays in a known state.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/block_codec.h"
#include "device/exchange.h"
#include "device/simulated_device.h"
#include "fuzz_check.h"

using namespace vaskiro;
using namespace vaskiro::device;

namespace {

using Carried = std::array<bool, config::kImageSize>;

// The image bytes that a Read may store: every byte that decoding some reply
// into some block part changes, found by decoding opposite patterns.
Carried carriedBytes() {
    Carried carried{};
    for (std::uint8_t base : {0x00, 0xFF}) {
        for (std::uint8_t fill : {0x00, 0xFF}) {
            for (int block = 0; block < kBlockCount; ++block) {
                for (int part = 1; part <= 2; ++part) {
                    config::ConfigurationImage image;
                    image.bytes().fill(base);
                    Report reply;
                    reply.fill(fill);
                    decodeBlockPart(reply, block, part, image);
                    for (std::size_t i = 0; i < config::kImageSize; ++i)
                        if (image.bytes()[i] != base) carried[i] = true;
                }
            }
        }
    }
    return carried;
}

const Carried& carried() {
    static const Carried bytes = carriedBytes();
    return bytes;
}

bool knownState(std::int32_t state) {
    return state == 0 || (state >= 1 && state <= 13) || state == 21 || state == 22 || (state >= 30 && state <= 42) ||
           state == 50;
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_at >= m_size; }
    std::uint8_t next() { return done() ? 0 : m_data[m_at++]; }
    // Up to `count` bytes, fewer at the end of the input.
    std::vector<std::uint8_t> take(std::size_t count) {
        count = std::min(count, m_size - m_at);
        std::vector<std::uint8_t> bytes(m_data + m_at, m_data + m_at + count);
        m_at += count;
        return bytes;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

struct Port : ExchangePort {
    SimulatedDevice* device = nullptr;
    DeviceExchange* exchange = nullptr;
    bool failSends = false;
    int nestedStart = -1;  // 0..2: start Write, Read, Identify from inside the next box
    int sends = 0;
    int logs = 0;
    int messages = 0;
    int populates = 0;
    int nestedSends = 0;

    bool sendReport(const Report& report) override {
        ++sends;
        const std::uint8_t code = report[1];
        FUZZ_CHECK(code == request::Identify || code == request::BeginWrite || code == request::EndWrite ||
                   code == request::WriteBlockPart1 || code == request::WriteBlockPart2 ||
                   code == request::ReadBlockPart1 || code == request::ReadBlockPart2);
        if (code != request::Identify && code != request::BeginWrite && code != request::EndWrite)
            FUZZ_CHECK(report[2] < kBlockCount);
        if (failSends) return false;
        std::string error;
        return device->write(report, error);
    }
    void appendLog(std::string_view) override { ++logs; }
    void showMessage(MessageKind, std::string_view) override {
        ++messages;
        // The machine is in its final state before any box.
        FUZZ_CHECK(exchange->idle());
        if (nestedStart < 0) return;
        const int start = nestedStart;
        nestedStart = -1;
        const int sendsBefore = sends;
        if (start == 0) exchange->startWrite();
        else if (start == 1) exchange->startRead();
        else exchange->startIdentify();
        nestedSends += sends - sendsBefore;
    }
    void populateForm() override {
        ++populates;
        FUZZ_CHECK(exchange->idle());
    }
};

void checkImage(const config::ConfigurationImage& before, const config::ConfigurationImage& after, bool readCompleted) {
    if (!readCompleted) {
        FUZZ_CHECK(after == before);
        return;
    }
    for (std::size_t i = 0; i < config::kImageSize; ++i)
        if (!carried()[i]) FUZZ_CHECK(after.bytes()[i] == before.bytes()[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    config::ConfigurationImage image;
    image.SetDefaults();
    image.bytes()[config::layout::Reserved] = 0xA5;  // not carried: must survive every Read
    image.bytes()[config::layout::DeviceName + 30] = 0x5A;
    SimulatedDevice device;
    Port port;
    DeviceExchange exchange(image, port);
    port.device = &device;
    port.exchange = &exchange;

    while (!input.done()) {
        const config::ConfigurationImage before = image;
        const Report inBefore = exchange.InReport();
        const bool wasIdle = exchange.idle();
        const int sends = port.sends, logs = port.logs, messages = port.messages, populates = port.populates;
        port.nestedSends = 0;
        bool delivered = false;
        std::vector<std::uint8_t> report;

        const std::uint8_t op = input.next();
        switch (op % 8) {
        case 0: exchange.startWrite(); break;
        case 1: exchange.startRead(); break;
        case 2: exchange.startIdentify(); break;
        case 3: exchange.abandon((op & 0x08) != 0 ? AbandonReason::NoReply : AbandonReason::Disconnected); break;
        case 4: {
            // A report of any length, longer than a HID report included; the
            // exact-size buffer lets the sanitizer see any read past its end.
            const std::size_t length = input.next() | (op & 0x80 ? 0x100 : 0);
            report = input.take(length);
            delivered = true;
            exchange.ProcessDeviceReport(report);
            break;
        }
        case 5: {
            // The device's answer to the oldest unanswered request, cut short
            // when the op says so.
            Report reply{};
            ReadResult result = device.read(reply, 0);
            if (result.status != ReadStatus::Report) break;
            std::size_t length = result.length;
            if (op & 0x80) length = std::min<std::size_t>(length, (op >> 3) & 0x0F);
            report.assign(reply.begin(), reply.begin() + static_cast<long>(length));
            delivered = true;
            exchange.ProcessDeviceReport(report);
            break;
        }
        case 6: port.failSends = !port.failSends; break;
        case 7: port.nestedStart = (op >> 3) % 3; break;
        }

        FUZZ_CHECK(knownState(exchange.ExchangeState()));
        FUZZ_CHECK(exchange.stepsDone() >= 0 && exchange.stepsDone() <= exchange.stepsTotal());
        FUZZ_CHECK(port.populates - populates <= 1);
        checkImage(before, image, port.populates > populates);
        if (!delivered) continue;

        // The report's bytes, and beyond them what the buffer held before.
        const std::size_t taken = std::min(report.size(), kReportSize);
        FUZZ_CHECK(std::equal(report.begin(), report.begin() + static_cast<long>(taken), exchange.InReport().begin()));
        if (!report.empty())
            FUZZ_CHECK(std::equal(inBefore.begin() + static_cast<long>(taken), inBefore.end(),
                                  exchange.InReport().begin() + static_cast<long>(taken)));
        if (wasIdle || report.empty()) {
            FUZZ_CHECK(port.sends == sends && port.logs == logs && port.messages == messages);
            FUZZ_CHECK(exchange.idle() == wasIdle);
        } else {
            FUZZ_CHECK(port.sends - port.nestedSends - sends <= 1);
        }
    }
    return 0;
}
