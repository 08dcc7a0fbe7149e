// The exchange state machine driven by a script of operations taken from the
// input: start a Write, Read or Identify at any moment, abandon, fail sends,
// start a new exchange from inside a message box, and deliver reports of any
// length and content, or the simulated device's own replies.
//
// Invariants: the image changes only when a Read completes, and then only in
// bytes that some block part carries; a report is read only within its
// length; a report that arrives while idle causes nothing at all; each report
// handled sends at most one request; the step count stays within its total.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "device/block_codec.h"
#include "device/exchange.h"
#include "device/simulated_device.h"
#include "fuzz_check.h"

using namespace vaskiro;
using namespace vaskiro::device;

namespace {

using Carried = std::array<bool, core::kImageSize>;

// The image bytes that a Read may store: every byte that decoding some reply
// into some block part changes, found by decoding opposite patterns.
const Carried& carried() {
    static const Carried bytes = [] {
        Carried carried{};
        for (std::uint8_t base : {0x00, 0xFF})
            for (std::uint8_t fill : {0x00, 0xFF})
                for (int part = 0; part < 2 * kBlockCount; ++part) {
                    core::ConfigurationImage image;
                    image.bytes().fill(base);
                    Report reply;
                    reply.fill(fill);
                    decodeBlockPart(reply, part / 2, 1 + part % 2, image);
                    for (std::size_t i = 0; i < core::kImageSize; ++i)
                        carried[i] = carried[i] || image.bytes()[i] != base;
                }
        return carried;
    }();
    return bytes;
}

struct Input {
    const std::uint8_t* data;
    std::size_t size, at = 0;
    bool done() const { return at >= size; }
    std::uint8_t next() { return done() ? 0 : data[at++]; }
    // Up to `count` bytes, fewer at the end of the input.
    std::vector<std::uint8_t> take(std::size_t count) {
        count = std::min(count, size - at);
        at += count;
        return {data + at - count, data + at};
    }
};

struct Port : ExchangePort {
    SimulatedDevice* device = nullptr;
    DeviceExchange* exchange = nullptr;
    bool failSends = false;
    int nestedStart = -1;  // 0..2: start Write, Read, Identify from inside the next box
    int sends = 0, logs = 0, messages = 0, populates = 0, nestedSends = 0;

    bool sendReport(const Report& report) override {
        ++sends;
        // Only known requests, and a block request names a block.
        const bool block = report[1] == request::WriteBlockPart1 || report[1] == request::WriteBlockPart2 ||
                           report[1] == request::ReadBlockPart1 || report[1] == request::ReadBlockPart2;
        FUZZ_CHECK(block ? report[2] < kBlockCount
                         : report[1] == request::Identify || report[1] == request::BeginWrite ||
                               report[1] == request::EndWrite);
        return !failSends && device->write(report);
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
        (exchange->*std::array{&DeviceExchange::startWrite, &DeviceExchange::startRead,
                               &DeviceExchange::startIdentify}[start])();
        nestedSends += sends - sendsBefore;
    }
    void populateForm() override {
        ++populates;
        FUZZ_CHECK(exchange->idle());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input{data, size};
    core::ConfigurationImage image;
    image.SetDefaults();
    image.bytes()[core::layout::Reserved] = 0xA5;  // not carried: must survive every Read
    image.bytes()[core::layout::DeviceName + 30] = 0x5A;
    SimulatedDevice device;
    Port port;
    DeviceExchange exchange(image, port);
    port.device = &device;
    port.exchange = &exchange;

    while (!input.done()) {
        const core::ConfigurationImage before = image;
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

        FUZZ_CHECK(exchange.stepsDone() >= 0 && exchange.stepsDone() <= exchange.stepsTotal());
        FUZZ_CHECK(port.populates - populates <= 1);
        for (std::size_t i = 0; i < core::kImageSize; ++i)
            FUZZ_CHECK(image.bytes()[i] == before.bytes()[i] || (port.populates > populates && carried()[i]));
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
