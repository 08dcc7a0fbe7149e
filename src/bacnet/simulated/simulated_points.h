#pragma once

#include <array>
#include <optional>
#include <string>

#include "core/configuration_image.h"

namespace vaskiro::bacnet {

// What a simulated device's points hold: the state of its inputs and
// analogues (set by a demonstration), and the 16-slot priority array of each
// output, whose present-value is the command of the highest priority (1)
// that is not NULL, else the relinquish-default (its start-up state).
class SimulatedPoints {
public:
    static constexpr int kInputs = 16, kOutputs = 16, kAnalogues = 8, kPriorities = 16;
    using PriorityArray = std::array<std::optional<bool>, kPriorities>;

    explicit SimulatedPoints(const core::ConfigurationImage& image);

    // Channels are 1-based.
    bool input(int channel) const { return m_inputs[index(channel)]; }
    void setInput(int channel, bool active) { m_inputs[index(channel)] = active; }
    float analogue(int channel) const { return m_analogues[index(channel)]; }
    void setAnalogue(int channel, float value) { m_analogues[index(channel)] = value; }
    bool output(int channel) const;
    bool relinquishDefault(int channel) const { return m_relinquishDefaults[index(channel)]; }
    const PriorityArray& priorities(int channel) const { return m_priorities[index(channel)]; }
    // A command at `priority` (1-16); nothing releases it.
    void command(int channel, int priority, std::optional<bool> active);

    // A line as a demonstration types it: "input.3 on", "input.3 off" or
    // "analogue.2 21.5". Empty when applied; otherwise what is wrong.
    std::string apply(const std::string& line);

private:
    static std::size_t index(int channel) { return static_cast<std::size_t>(channel - 1); }

    std::array<bool, kInputs> m_inputs{};
    std::array<float, kAnalogues> m_analogues{};
    std::array<bool, kOutputs> m_relinquishDefaults{};
    std::array<PriorityArray, kOutputs> m_priorities{};
};

}  // namespace vaskiro::bacnet
