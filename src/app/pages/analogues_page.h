#pragma once

#include <QWidget>

#include <array>

#include "core/configuration_image.h"

class QPushButton;

namespace vaskiro::app {
class FormControls;
}

namespace vaskiro::app {

// The "Analogues" page: name, unit, scaling and COV increment of the eight
// analogue channels, one row per channel across the four groups.
class AnaloguesPage : public QWidget {
    Q_OBJECT
public:
    explicit AnaloguesPage(app::FormControls& controls, QWidget* parent = nullptr);

    // The "Select..." button of channel 1 to 8.
    QPushButton* selectUnitsButton(int channel) const;

private:
    std::array<QPushButton*, core::kAnalogueCount> m_selectUnits{};
};

}  // namespace vaskiro::app
