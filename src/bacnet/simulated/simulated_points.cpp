#include "bacnet/simulated/simulated_points.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace vaskiro::bacnet {

SimulatedPoints::SimulatedPoints(const core::ConfigurationImage& image) {
    for (int n = 1; n <= kOutputs; ++n)
        m_relinquishDefaults[index(n)] = image.flag(core::FlagGroup::OutputStartStatus, n);
}

bool SimulatedPoints::output(int channel) const {
    for (const std::optional<bool>& slot : priorities(channel))
        if (slot) return *slot;
    return relinquishDefault(channel);
}

void SimulatedPoints::command(int channel, int priority, std::optional<bool> active) {
    m_priorities[index(channel)][static_cast<std::size_t>(priority - 1)] = active;
}

std::string SimulatedPoints::apply(const std::string& line) {
    std::istringstream in(line);
    std::string point, value, extra;
    in >> point >> value;
    const auto dot = point.find('.');
    const std::string kind = point.substr(0, dot);
    int channel = 0;
    const char* number = point.data() + (dot == std::string::npos ? point.size() : dot + 1);
    const auto [end, error] = std::from_chars(number, point.data() + point.size(), channel);
    const bool wellFormed =
        !(in >> extra) && dot != std::string::npos && error == std::errc{} && end == point.data() + point.size();
    const std::string usage = "write input.N on|off (N 1-16) or analogue.N VALUE (N 1-8)";
    if (wellFormed && kind == "input" && channel >= 1 && channel <= kInputs && (value == "on" || value == "off")) {
        setInput(channel, value == "on");
        return {};
    }
    float reading = 0;
    const auto [valueEnd, valueError] = std::from_chars(value.data(), value.data() + value.size(), reading);
    if (wellFormed && kind == "analogue" && channel >= 1 && channel <= kAnalogues && valueError == std::errc{} &&
        valueEnd == value.data() + value.size() && std::isfinite(reading)) {
        setAnalogue(channel, reading);
        return {};
    }
    return "Not understood: \"" + line + "\"; " + usage + ".";
}

}  // namespace vaskiro::bacnet
