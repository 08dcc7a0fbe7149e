#include "cli/stop_signals.h"

#include <cmath>
#include <csignal>

namespace vaskiro::cli {

namespace {

std::atomic<int> g_caught{0};
std::atomic<bool> g_stop{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "set from a signal handler");

extern "C" void onStopSignal(int signal) {
    g_caught = signal;
    g_stop = true;
}

}  // namespace

std::chrono::milliseconds fromSeconds(double seconds) {
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

StopSignals::StopSignals(Which which) : m_which(which), m_terminate(nullptr), m_hangUp(nullptr) {
    g_caught = 0;
    g_stop = false;
    m_interrupt = std::signal(SIGINT, onStopSignal);
    if (which == Which::Interrupt) return;
    m_terminate = std::signal(SIGTERM, onStopSignal);
#ifndef _WIN32
    m_hangUp = std::signal(SIGHUP, onStopSignal);
    // For the rest of the process: what is still written after the run
    // (a last flush at exit) must fail as a write, not end it by a signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, m_interrupt);
    if (m_which == Which::Interrupt) return;
    std::signal(SIGTERM, m_terminate);
#ifndef _WIN32
    std::signal(SIGHUP, m_hangUp);
#endif
}

int StopSignals::caught() { return g_caught.load(); }

const std::atomic<bool>& StopSignals::stopFlag() { return g_stop; }

}  // namespace vaskiro::cli
