#pragma once

#include <atomic>
#include <chrono>

namespace vaskiro::cli {

// A --for or --timeout in seconds, as the clocks take it.
std::chrono::milliseconds fromSeconds(double seconds);

// While it lives, the signals that end a run from outside only raise a flag
// that the run looks at, so that it ends its own way: what it drove released,
// what it did recorded. `Interrupt` catches Ctrl-C; `Endings` also kill and,
// where there are terminals, a closed one, and makes a closed output pipe a
// failed write instead of a signal, for good. The other handlers before it
// come back when it goes.
class StopSignals {
public:
    enum class Which { Interrupt, Endings };
    explicit StopSignals(Which which);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that came, 0 while none has.
    static int caught();
    // True once one came, for loops that wait on a flag.
    static const std::atomic<bool>& stopFlag();

private:
    using Handler = void (*)(int);
    Which m_which;
    Handler m_interrupt, m_terminate, m_hangUp;
};

}  // namespace vaskiro::cli
