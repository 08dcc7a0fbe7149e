// The window's link under measure, with the real reader thread (Port1Comms)
// and device link and a Qt event loop standing in for the window's:
// (2) the hand-off of each report from the reader thread to the window's
// thread and back (median and 99th percentile); (4) a complete Read of a
// device that answers each request after 1 ms, through that link.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/prctl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "link/device_link.h"
#include "device/exchange.h"
#include "device/simulated_device.h"

using namespace vaskiro;
using namespace vaskiro::device;
using namespace vaskiro::link;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kIdentifier = "HID\\VID_04D8&PID_C5E9&REV_0014";

// A device that has a report ready at every read, and notes when each read
// returned one and when the reader came back for the next.
class InstantConnection : public HidConnection {
public:
    explicit InstantConnection(std::size_t reports) : m_delivered(reports), m_returned(reports) {}

    core::Result<void> write(const Report&) override { return {}; }
    ReadResult read(Report& report, int timeoutMs) override {
        const Clock::time_point now = Clock::now();
        const std::size_t n = m_count.load(std::memory_order_relaxed);
        if (n > 0 && n <= m_returned.size()) m_returned[n - 1] = now;
        if (n >= m_delivered.size()) {
            m_cameBack.store(true, std::memory_order_release);
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 5)));
            return {ReadStatus::Timeout, 0, {}};
        }
        report[1] = static_cast<std::uint8_t>(n);
        m_count.store(n + 1, std::memory_order_relaxed);
        m_delivered[n] = Clock::now();
        return {ReadStatus::Report, kReportSize, {}};
    }

    std::vector<Clock::time_point> m_delivered;  // read returned report n
    std::vector<Clock::time_point> m_returned;   // the reader asked for report n + 1
    std::atomic<std::size_t> m_count{0};
    std::atomic<bool> m_cameBack{false};  // the reader asked for a report after the last
};

class OneDeviceBackend : public HidBackend {
public:
    explicit OneDeviceBackend(std::unique_ptr<HidConnection> connection) : m_connection(std::move(connection)) {}
    std::vector<HidDeviceInfo> enumerate() override { return {{kIdentifier, "bench"}}; }
    core::Result<std::unique_ptr<HidConnection>> open(const std::string&) override { return std::move(m_connection); }

private:
    std::unique_ptr<HidConnection> m_connection;
};

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

void BM_ReportHandOff(benchmark::State& state) {
    constexpr std::size_t kReports = 2000;
    std::vector<double> oneWay, roundTrip;
    for (auto _ : state) {
        auto owned = std::make_unique<InstantConnection>(kReports);
        InstantConnection* connection = owned.get();
        std::vector<Clock::time_point> handled(kReports);
        std::size_t count = 0;
        DeviceLink link(std::make_unique<OneDeviceBackend>(std::move(owned)));
        QEventLoop loop;
        QObject::connect(&link, &DeviceLink::report, &loop, [&](const QByteArray&) {
            handled[count] = Clock::now();
            if (++count == kReports) loop.quit();
        });
        if (link.OpenDevice().outcome != OpenOutcome::Opened) {
            state.SkipWithError("the link did not open");
            return;
        }
        loop.exec();
        // Wait for the reader to come back for the report after the last.
        while (!connection->m_cameBack.load(std::memory_order_acquire)) std::this_thread::yield();
        state.PauseTiming();
        // The first reports warm the thread up; leave them out.
        for (std::size_t n = 10; n < kReports; ++n) {
            oneWay.push_back(
                std::chrono::duration<double, std::micro>(handled[n] - connection->m_delivered[n]).count());
            roundTrip.push_back(
                std::chrono::duration<double, std::micro>(connection->m_returned[n] - connection->m_delivered[n])
                    .count());
        }
        link.close();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kReports));
    state.counters["to_window_median_us"] = percentile(oneWay, 0.5);
    state.counters["to_window_p99_us"] = percentile(oneWay, 0.99);
    state.counters["and_back_median_us"] = percentile(roundTrip, 0.5);
    state.counters["and_back_p99_us"] = percentile(roundTrip, 0.99);
}

// The window's exchange port without widgets: reports go to the link.
struct LinkPort : ExchangePort {
    DeviceLink* link = nullptr;
    QEventLoop* loop = nullptr;
    bool completed = false;
    bool sendReport(const Report& report) override { return link->send(report).has_value(); }
    void appendLog(std::string_view) override {}
    void showMessage(MessageKind kind, std::string_view) override {
        completed = kind == MessageKind::Information;
        loop->quit();
    }
    void populateForm() override {}
};

// Argument: timer slack in nanoseconds, as in bench_exchange.
void BM_ReadAtOneMillisecondPerReplyThroughTheLink(benchmark::State& state) {
    const int previous = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    // Threads inherit the slack: set it before the reader thread starts.
    prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(state.range(0)), 0, 0, 0);
    auto device = std::make_shared<SimulatedDevice>();
    device->setReplyDelay(std::chrono::milliseconds(1));
    auto backend = std::make_unique<SimulatedBackend>();
    backend->add("simulated", device);
    DeviceLink link(std::move(backend));
    if (link.OpenDevice().outcome != OpenOutcome::Opened) {
        state.SkipWithError("the link did not open");
        return;
    }
    core::ConfigurationImage image;
    image.SetDefaults();
    QEventLoop loop;
    LinkPort port;
    port.link = &link;
    port.loop = &loop;
    DeviceExchange exchange(image, port);
    QObject::connect(&link, &DeviceLink::report, &loop, [&](const QByteArray& bytes) {
        exchange.ProcessDeviceReport(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())));
    });
    std::vector<double> seconds;
    for (auto _ : state) {
        const auto begin = Clock::now();
        exchange.startRead();
        loop.exec();
        seconds.push_back(std::chrono::duration<double>(Clock::now() - begin).count());
        if (!port.completed) {
            state.SkipWithError("a Read did not complete");
            break;
        }
    }
    link.close();
    prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previous), 0, 0, 0);
    if (seconds.empty()) return;
    constexpr double kFloorSeconds = DeviceExchange::kReadSteps * 1e-3;
    std::sort(seconds.begin(), seconds.end());
    state.counters["median_ms"] = seconds[seconds.size() / 2] * 1e3;
    state.counters["over_floor_pct"] = (seconds[seconds.size() / 2] / kFloorSeconds - 1.0) * 100.0;
}

}  // namespace

BENCHMARK(BM_ReportHandOff)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAtOneMillisecondPerReplyThroughTheLink)
    ->Arg(50000)
    ->Arg(1)
    ->Iterations(20)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char* argv[]) {
    benchmark::Initialize(&argc, argv);
    QCoreApplication application(argc, argv);  // the window's thread's event loop
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
