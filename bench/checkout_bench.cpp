// The point checkout under measure: from a change at the simulated device
// (an input set, as a line on its standard input sets one) to the line that
// watch prints for it, over COV on loopback: the device's notification, its
// decoding, the point's update and the line formatted and written. Median
// and 99th percentile as counters (microseconds).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <sstream>
#include <thread>

#include "bacnet/point_checkout.h"
#include "bacnet/simulated/simulated_responder.h"
#include "cli/point_lines.h"

using namespace vaskiro;
using Clock = std::chrono::steady_clock;

static void ChangeToLinePrinted(benchmark::State& state) {
    core::ConfigurationImage image;
    image.SetDefaults();
    std::string note;
    auto opened = bacnet::SimulatedResponder::open(image, {}, {{127, 0, 0, 1}, 0}, note);
    auto connected = bacnet::Client::open(0, note);
    if (!opened || !connected) return state.SkipWithError((opened ? connected.error() : opened.error()).c_str());
    auto& responder = *opened;
    auto& client = *connected;
    std::atomic<bool> stop{false};
    std::thread serving([&] { responder->serve(stop, Clock::time_point::max()); });
    bool seen = false;
    bacnet::PointCheckout checkout(*client, responder->endpoint(), 12345, [&] { return seen; });
    (void)checkout.findPoints();
    checkout.readAll();
    checkout.subscribeAll(300);
    std::ostringstream printed;
    std::vector<double> samples;
    bool active = false;
    for (auto _ : state) {
        active = !active;
        seen = false;
        const auto changed = Clock::now();
        responder->change([active](bacnet::SimulatedPoints& points) { points.setInput(3, active); });
        checkout.follow(Clock::now() + std::chrono::seconds(2), [&](std::size_t index) {
            printed << cli::pointLine(checkout.points()[index], image, cli::timestamp(), false) << std::endl;
            seen = index == 2;
        });
        const std::chrono::duration<double> took = Clock::now() - changed;
        state.SetIterationTime(took.count());
        samples.push_back(took.count() * 1e6);
    }
    checkout.cancelSubscriptions();
    stop = true;
    serving.join();
    std::sort(samples.begin(), samples.end());
    state.counters["median_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[samples.size() * 99 / 100];
}
BENCHMARK(ChangeToLinePrinted)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
