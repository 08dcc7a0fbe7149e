// (3) Start-up of vaskiro-config to its first painted window, offscreen,
// and the process's peak memory. The program quits after its first paint
// when VASKIRO_EXIT_AFTER_SHOW=1, so each run's time is launch to exit
// (an upper bound of launch to first paint) and wait4() gives its peak RSS.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

void BM_StartUpToFirstPaint(benchmark::State& state) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.emplace_back("QT_QPA_PLATFORM=offscreen");
    env.emplace_back("VASKIRO_EXIT_AFTER_SHOW=1");
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = VASKIRO_CONFIG_EXE;
    char* argv[] = {exe.data(), nullptr};

    std::vector<double> millis;
    long peakKiB = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0) {
            state.SkipWithError("cannot start vaskiro-config");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        state.SetIterationTime(elapsed / 1e3);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("vaskiro-config failed");
            return;
        }
        millis.push_back(elapsed);
        peakKiB = std::max(peakKiB, usage.ru_maxrss);
    }
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["max_ms"] = millis.back();
    state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}

}  // namespace

BENCHMARK(BM_StartUpToFirstPaint)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
