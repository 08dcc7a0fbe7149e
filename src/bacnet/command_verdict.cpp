#include "bacnet/command_verdict.h"

#include <string>

namespace vaskiro::bacnet {

namespace {

const char* state(bool on) { return on ? "on" : "off"; }

}  // namespace

CommandOutcome judgeCommand(int channel, std::optional<bool> asked, std::uint8_t priority, bool value,
                            const std::optional<PriorityArray>& priorities) {
    using Verdict = CommandOutcome::Verdict;
    const std::string output = "output." + std::to_string(channel);
    const std::string at = " at priority " + std::to_string(priority);
    CommandOutcome outcome{Verdict::Failed, {}, value, priorities, {}};
    if (!priorities) {
        // Nothing to say which command holds it: the value alone.
        const bool there = !asked || value == *asked;
        outcome.verdict = there ? Verdict::AsAsked : Verdict::Overridden;
        outcome.text = !asked  ? output + " released" + at + "; now " + state(value)
                       : there ? output + " " + state(value) + " (the device shows no priority-array)"
                               : output + " still " + state(value) + " after " + state(*asked) + at +
                                     " (the device shows no priority-array to say what holds it)";
        return outcome;
    }
    outcome.commandedBy = commandingPriority(*priorities);
    const std::optional<bool> ours = (*priorities)[priority - 1U];
    const std::string holder =
        outcome.commandedBy ? "held at priority " + std::to_string(*outcome.commandedBy) + " by another command" : "";
    if (!asked) {
        if (ours) {
            outcome.text = output + " still held" + at + " after the release";
        } else if (outcome.commandedBy) {
            outcome.verdict = Verdict::Overridden;
            outcome.text = output + " released" + at + "; still " + state(value) + ": " + holder;
        } else {
            outcome.verdict = Verdict::AsAsked;
            outcome.text = output + " released" + at + "; now " + state(value) + ", its relinquish-default";
        }
        return outcome;
    }
    if (outcome.commandedBy && *outcome.commandedBy < priority) {
        outcome.verdict = Verdict::Overridden;
        outcome.text = value == *asked ? output + " " + state(value) + ", but " + holder + ", above this one" + at
                                       : output + " still " + state(value) + ": " + holder;
    } else if (ours == asked && value == *asked) {
        outcome.verdict = Verdict::AsAsked;
        outcome.text = output + " " + state(value) + ", held" + at;
    } else {
        outcome.text =
            output + " " + state(value) + ": the device took " + state(*asked) + at + " but does not show it";
    }
    return outcome;
}

}  // namespace vaskiro::bacnet
