// (1) CPU time of a complete Write and a complete Read: through the state
// machine and the simulated device, and through the state machine alone
// with a minimal responder. (4) A complete Read of a device that answers
// each request after 1 ms, against the floor of 47 replies x 1 ms.
#include <benchmark/benchmark.h>

#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "core/configuration_image.h"
#include "device/block_codec.h"
#include "device/exchange.h"
#include "device/exchange_runner.h"
#include "device/simulated_device.h"

using namespace vaskiro;
using namespace vaskiro::device;

namespace {

struct DevicePort : ExchangePort {
    SimulatedDevice* device = nullptr;
    bool sendReport(const Report& report) override { return device->write(report).has_value(); }
    void appendLog(std::string_view) override {}
    void showMessage(MessageKind, std::string_view) override {}
    void populateForm() override {}
};

// Answers in place, with no queue, lock or clock: what is left is the
// state machine and the block codec.
struct ResponderPort : ExchangePort {
    Report reply{};
    std::array<Report, kBlockPartCount> blockReplies{};

    ResponderPort() {
        core::ConfigurationImage image;
        image.SetDefaults();
        for (int block = 0; block < kBlockCount; ++block) {
            for (int part = 1; part <= 2; ++part) {
                Report request{};
                encodeBlockPart(image, block, part, request);
                Report& answer = blockReplies[static_cast<std::size_t>(2 * block + part - 1)];
                std::copy_n(request.begin() + kWritePayloadAt, kPayloadSize, answer.begin() + kReplyPayloadAt);
            }
        }
    }
    bool sendReport(const Report& request) override {
        const std::uint8_t code = request[1];
        if (code == request::Identify) {
            reply.fill(0);
            reply[3] = 0x01;
            reply[4] = 0x10;
            reply[10] = '1';
        } else if (code == request::ReadBlockPart1 || code == request::ReadBlockPart2) {
            reply = blockReplies[static_cast<std::size_t>(2 * request[2] + (code == request::ReadBlockPart1 ? 0 : 1))];
        } else {
            reply[1] = code;
        }
        reply[1] = code;
        return true;
    }
    void appendLog(std::string_view) override {}
    void showMessage(MessageKind, std::string_view) override {}
    void populateForm() override {}
};

template <bool kRead>
void throughSimulatedDevice(benchmark::State& state) {
    core::ConfigurationImage image;
    image.SetDefaults();
    auto device = std::make_unique<SimulatedDevice>();
    DevicePort port;
    port.device = device.get();
    DeviceExchange exchange(image, port);
    Report reply{};
    std::int64_t count = 0;
    for (auto _ : state) {
        kRead ? exchange.startRead() : exchange.startWrite();
        while (!exchange.idle()) {
            ReadResult result = device->read(reply, 0);
            exchange.ProcessDeviceReport(std::span(reply.data(), result.length));
        }
        // The device records every report it receives; start a new one now
        // and then so that the record does not grow without end.
        if (++count % 4096 == 0) {
            state.PauseTiming();
            device = std::make_unique<SimulatedDevice>();
            port.device = device.get();
            state.ResumeTiming();
        }
    }
    const int steps = kRead ? DeviceExchange::kReadSteps : DeviceExchange::kWriteSteps;
    state.counters["per_report"] = benchmark::Counter(
        static_cast<double>(steps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <bool kRead>
void stateMachineAlone(benchmark::State& state) {
    core::ConfigurationImage image;
    image.SetDefaults();
    ResponderPort port;
    DeviceExchange exchange(image, port);
    for (auto _ : state) {
        kRead ? exchange.startRead() : exchange.startWrite();
        while (!exchange.idle()) exchange.ProcessDeviceReport(port.reply);
        benchmark::DoNotOptimize(image);
    }
    const int steps = kRead ? DeviceExchange::kReadSteps : DeviceExchange::kWriteSteps;
    state.counters["per_report"] = benchmark::Counter(
        static_cast<double>(steps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_WriteThroughSimulatedDevice(benchmark::State& state) { throughSimulatedDevice<false>(state); }
void BM_ReadThroughSimulatedDevice(benchmark::State& state) { throughSimulatedDevice<true>(state); }
void BM_WriteStateMachineAlone(benchmark::State& state) { stateMachineAlone<false>(state); }
void BM_ReadStateMachineAlone(benchmark::State& state) { stateMachineAlone<true>(state); }

// The runner reading a device that answers 1 ms after each request. The
// argument is the thread's timer slack in nanoseconds: Linux lets a timed
// wait oversleep by 50 us by default, which the simulated device's timed
// waits pay 47 times; a real device's reply wakes the read at once.
void BM_ReadAtOneMillisecondPerReply(benchmark::State& state) {
    const auto slack = static_cast<unsigned long>(state.range(0));
    const int previous = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    prctl(PR_SET_TIMERSLACK, slack, 0, 0, 0);
    core::ConfigurationImage image;
    image.SetDefaults();
    SimulatedDevice device;
    device.setReplyDelay(std::chrono::milliseconds(1));
    DevicePort port;
    port.device = &device;
    DeviceExchange exchange(image, port);
    bool completed = true;
    std::vector<double> seconds;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        exchange.startRead();
        completed = completed && !runExchange(exchange, device);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
    prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previous), 0, 0, 0);
    if (!completed) state.SkipWithError("a Read did not complete");
    constexpr double kFloorSeconds = DeviceExchange::kReadSteps * 1e-3;
    std::sort(seconds.begin(), seconds.end());
    state.counters["median_ms"] = seconds[seconds.size() / 2] * 1e3;
    state.counters["over_floor_pct"] = (seconds[seconds.size() / 2] / kFloorSeconds - 1.0) * 100.0;
}

}  // namespace

BENCHMARK(BM_WriteThroughSimulatedDevice);
BENCHMARK(BM_ReadThroughSimulatedDevice);
BENCHMARK(BM_WriteStateMachineAlone);
BENCHMARK(BM_ReadStateMachineAlone);
BENCHMARK(BM_ReadAtOneMillisecondPerReply)
    ->Arg(50000)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
