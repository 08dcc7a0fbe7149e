#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

#include "core/configuration_image.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace vaskiro::config {

class LimitedLineEdit;
class NumericEdit;

// Every control bound to a field of the image; index 0 is channel 1. The
// pages of the window fill it in as they build their controls.
struct FormControls {
    std::array<QLineEdit*, 4> ipAddress{};
    std::array<QLineEdit*, 4> gatewayAddress{};
    std::array<QLineEdit*, 4> subnetMask{};
    QCheckBox* dhcpEnable = nullptr;
    QSpinBox* bacnetPort = nullptr;
    LimitedLineEdit* deviceName = nullptr;
    QLineEdit* objectIdentifier = nullptr;
    LimitedLineEdit* location = nullptr;
    LimitedLineEdit* description = nullptr;
    LimitedLineEdit* password = nullptr;
    std::array<LimitedLineEdit*, kInputCount> inputNames{};
    std::array<QCheckBox*, kInputCount> invertInputs{};
    std::array<LimitedLineEdit*, kOutputCount> outputNames{};
    std::array<QCheckBox*, kOutputCount> invertOutputs{};
    std::array<QCheckBox*, kOutputCount> outputStartStatus{};
    std::array<LimitedLineEdit*, kAnalogueCount> analogueNames{};
    std::array<QLineEdit*, kAnalogueCount> unitNames{};
    std::array<NumericEdit*, kAnalogueCount> analogueScaling{};
    std::array<NumericEdit*, kAnalogueCount> covIncrement{};
};

// Image texts are Windows-1252 bytes on every platform, never the locale's.
QString textFromImage(const std::string& bytes);
std::string textToImage(const QString& text);

// Shows the display name of a unit code; empty for a code the catalogue lacks.
void showUnitName(QLineEdit* edit, std::uint32_t code);

// Image into every bound control. Never fails, never validates.
void populateForm(const ConfigurationImage& image, const FormControls& controls);

// Every bound control into the image, in a fixed order. The address block stops
// silently at the first octet that is not a number (later octets keep their
// values) and stores the low 8 bits of each number. A bad object identifier
// throws ConversionError, leaving the fields after it as they were.
void collectForm(const FormControls& controls, ConfigurationImage& image);

// True when every checked address octet is a number from 0 to 255. Logs one
// line per bad address; the IP address is not checked while its address is
// obtained automatically.
bool validateAddresses(const FormControls& controls, const std::function<void(const QString&)>& log);

}  // namespace vaskiro::config
