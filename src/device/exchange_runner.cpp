#include "device/exchange_runner.h"

#include <algorithm>

namespace vaskiro::device {

std::optional<AbandonReason> runExchange(DeviceExchange& exchange, HidConnection& connection,
                                         std::chrono::milliseconds replyTimeout, std::chrono::milliseconds poll,
                                         std::chrono::milliseconds quiet) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point settleBy = Clock::now() + replyTimeout;
    Clock::time_point lastReply = Clock::now();
    while (!exchange.idle()) {
        if (exchange.awaitingQuietLink()) {
            const Clock::time_point now = Clock::now();
            if (now - lastReply >= quiet) {
                exchange.linkQuiet();
                lastReply = now;
                continue;
            }
            if (now >= settleBy) {
                exchange.abandon(AbandonReason::NoReply);
                return AbandonReason::NoReply;
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(lastReply + replyTimeout - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            exchange.abandon(AbandonReason::NoReply);
            return AbandonReason::NoReply;
        }
        Report report{};
        ReadResult result = connection.read(report, static_cast<int>(std::min(left, poll).count()));
        switch (result.status) {
        case ReadStatus::Report:
            // A read of no bytes is no report, and no reply either.
            if (result.length == 0) break;
            lastReply = Clock::now();
            exchange.ProcessDeviceReport(std::span(report.data(), std::min(result.length, kReportSize)));
            break;
        case ReadStatus::Timeout: break;
        case ReadStatus::Failed: exchange.abandon(AbandonReason::Disconnected); return AbandonReason::Disconnected;
        }
    }
    return std::nullopt;
}

}  // namespace vaskiro::device
