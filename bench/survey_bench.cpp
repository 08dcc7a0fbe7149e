// The survey under measure: a site of 10, 100 and 500 simulated devices on
// loopback (served from one thread of this process, as simulate-network
// --folder serves them) surveyed at the default bound of 32 requests in
// flight. Wall time of the whole survey (the 1 s duplicate window, a
// constant, included), until every device had its verdict before that
// window, the peak of requests in flight, and the surveying thread's CPU
// time per device.
#include <benchmark/benchmark.h>

#include <ctime>
#include <thread>

#include "bacnet/simulated/simulated_site.h"
#include "bacnet/site_survey.h"

using namespace vaskiro;

namespace {

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

}  // namespace

static void Survey(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    std::string note;
    const std::uint16_t port = [&] {
        auto probe = bacnet::UdpSocket::open({{127, 0, 0, 1}, 0}, false);
        return probe ? (*probe)->localEndpoint().port : std::uint16_t(47950);
    }();
    std::vector<bacnet::SimulatedSite::Member> members;
    std::vector<core::ConfigurationImage> images;
    for (std::size_t n = 0; n < count; ++n) {
        core::ConfigurationImage image;
        image.SetDefaults();
        const bacnet::Endpoint at{{127, 0, std::uint8_t(6 + n / 254), std::uint8_t(1 + n % 254)}, port};
        image.setAddress(core::AddressField::IPAddress, at.address);
        image.setBacnetPort(port);
        image.setObjectIdentifier(std::uint32_t(60000 + n));
        images.push_back(image);
        members.push_back({image, at});
    }
    auto site = bacnet::SimulatedSite::open(members, note);
    if (!site) return state.SkipWithError(site.error().c_str());
    std::atomic<bool> stop{false};
    std::thread serving([&] { (*site)->serve(stop, std::chrono::steady_clock::time_point::max()); });
    bacnet::SurveyOptions options;
    options.timeout = std::chrono::seconds(3);
    std::size_t peak = 0;
    double cpu = 0, checked = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        options.progress = [&](std::size_t done, std::size_t total) {
            if (done == total)
                checked += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        };
        const double before = threadCpuSeconds();
        const bacnet::SurveyResult result = bacnet::surveyNetwork(images, options);
        cpu += threadCpuSeconds() - before;
        peak = std::max(peak, result.peakInFlight);
        for (const auto& device : result.devices)
            if (!device || device->outcome != bacnet::CheckOutcome::Match) {
                state.SkipWithError("a device did not pass");
                break;
            }
    }
    stop = true;
    serving.join();
    state.counters["peak_in_flight"] = double(peak);
    state.counters["all_checked_ms"] = checked * 1e3 / double(state.iterations());
    state.counters["cpu_us_per_device"] = cpu * 1e6 / double(count) / double(state.iterations());
}
BENCHMARK(Survey)->Arg(10)->Arg(100)->Arg(500)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
