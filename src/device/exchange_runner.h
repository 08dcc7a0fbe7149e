#pragma once

#include <chrono>
#include <optional>

#include "core/reply_timeout.h"
#include "device/exchange.h"
#include "device/hid_backend.h"

namespace vaskiro::device {

inline constexpr std::chrono::milliseconds kReadPoll{50};

// Drives a started exchange on the calling thread until it is idle: reads
// one report at a time (waiting at most `poll` per read), hands each to
// ProcessDeviceReport with the length the read returned, and abandons the
// exchange with NoReply when `replyTimeout` passes without a report, or with
// Disconnected when a read fails. The exchange's port sends on `connection`
// itself; the runner only reads.
//
// An exchange that awaits a quiet link first gets it: reports keep arriving
// and are handed over (and dropped) until none came for `quiet`; when that
// takes longer than `replyTimeout`, the exchange is abandoned with NoReply.
//
// Returns the reason when the runner abandoned the exchange, or nothing when
// the exchange went idle by itself: completed, refused, or given up on a
// failed send. The port has been told either way.
std::optional<AbandonReason> runExchange(DeviceExchange& exchange, HidConnection& connection,
                                         std::chrono::milliseconds replyTimeout = core::kReplyTimeout,
                                         std::chrono::milliseconds poll = kReadPoll,
                                         std::chrono::milliseconds quiet = kQuietAfterNoReply);

}  // namespace vaskiro::device
