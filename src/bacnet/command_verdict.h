#pragma once

#include <cstdint>
#include <optional>

#include "bacnet/point_checkout.h"

namespace vaskiro::bacnet {

// What a command to output `channel` (on, off, or with nothing a release at
// `priority`) came to, from the present-value and priority-array read back
// after the device took it.
CommandOutcome judgeCommand(int channel, std::optional<bool> asked, std::uint8_t priority, bool value,
                            const std::optional<PriorityArray>& priorities);

}  // namespace vaskiro::bacnet
