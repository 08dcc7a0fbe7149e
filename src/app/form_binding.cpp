#include "app/form_binding.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

#include <span>

#include "app/form_edits.h"
#include "core/settings_table.h"
#include "core/str_to_int.h"
#include "core/text_codec.h"
#include "core/engineering_units.h"

namespace vaskiro::config {

namespace {

struct AddressRow {
    AddressField field;
    const char* key;  // in the settings table
    const std::array<QLineEdit*, 4>& edits;
};

std::array<AddressRow, 3> addressRows(const FormControls& c) {
    return {{{AddressField::IPAddress, "ip", c.ipAddress},
             {AddressField::GatewayAddress, "gateway", c.gatewayAddress},
             {AddressField::SubnetMask, "mask", c.subnetMask}}};
}

std::string toStd(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return {utf8.constData(), static_cast<std::size_t>(utf8.size())};
}

void showNames(const ConfigurationImage& image, NameGroup group, std::span<LimitedLineEdit* const> edits) {
    for (std::size_t i = 0; i < edits.size(); ++i)
        edits[i]->setWholeText(textFromImage(image.name(group, static_cast<int>(i) + 1)));
}

void showFlags(const ConfigurationImage& image, FlagGroup group, std::span<QCheckBox* const> boxes) {
    for (std::size_t i = 0; i < boxes.size(); ++i) boxes[i]->setChecked(image.flag(group, static_cast<int>(i) + 1));
}

void showValues(const ConfigurationImage& image, FloatGroup group, std::span<NumericEdit* const> edits) {
    for (std::size_t i = 0; i < edits.size(); ++i)
        edits[i]->setValue(image.analogueValue(group, static_cast<int>(i) + 1));
}

void takeNames(std::span<LimitedLineEdit* const> edits, NameGroup group, ConfigurationImage& image) {
    for (std::size_t i = 0; i < edits.size(); ++i)
        image.setName(group, static_cast<int>(i) + 1, textToImage(edits[i]->text()));
}

void takeFlags(std::span<QCheckBox* const> boxes, FlagGroup group, ConfigurationImage& image) {
    for (std::size_t i = 0; i < boxes.size(); ++i) image.setFlag(group, static_cast<int>(i) + 1, boxes[i]->isChecked());
}

void takeValues(std::span<NumericEdit* const> edits, FloatGroup group, ConfigurationImage& image) {
    for (std::size_t i = 0; i < edits.size(); ++i)
        image.setAnalogueValue(group, static_cast<int>(i) + 1, edits[i]->value());
}

// Stores octet after octet so that a bad entry leaves the ones before it
// stored and the rest untouched.
void takeAddresses(const FormControls& controls, ConfigurationImage& image) {
    for (const AddressRow& row : addressRows(controls)) {
        for (std::size_t i = 0; i < 4; ++i) {
            const auto value = tryStrToInt(toStd(row.edits[i]->text()));
            if (!value) return;
            Octets octets = image.address(row.field);
            octets[i] = static_cast<std::uint8_t>(*value & 0xFF);
            image.setAddress(row.field, octets);
        }
    }
}

}  // namespace

QString textFromImage(const std::string& bytes) { return QString::fromStdString(fromWindows1252(bytes)); }

std::string textToImage(const QString& text) { return toWindows1252(toStd(text)); }

void showUnitName(QLineEdit* edit, std::uint32_t code) {
    edit->setText(QString::fromStdString(std::string(units::EngineeringUnitName(code))));
}

void populateForm(const ConfigurationImage& image, const FormControls& controls) {
    for (const AddressRow& row : addressRows(controls)) {
        const Octets octets = image.address(row.field);
        for (std::size_t i = 0; i < 4; ++i) row.edits[i]->setText(QString::number(octets[i]));
    }
    controls.dhcpEnable->setChecked(image.dhcpEnable());
    controls.bacnetPort->setValue(image.bacnetPort());
    controls.deviceName->setWholeText(textFromImage(image.text(TextField::DeviceName)));
    controls.objectIdentifier->setText(QString::number(image.objectIdentifier()));
    controls.location->setWholeText(textFromImage(image.text(TextField::Location)));
    controls.description->setWholeText(textFromImage(image.text(TextField::Description)));
    controls.password->setWholeText(textFromImage(image.text(TextField::DevicePassword)));
    showNames(image, NameGroup::Input, controls.inputNames);
    showFlags(image, FlagGroup::InvertInput, controls.invertInputs);
    showNames(image, NameGroup::Output, controls.outputNames);
    showFlags(image, FlagGroup::InvertOutput, controls.invertOutputs);
    showFlags(image, FlagGroup::OutputStartStatus, controls.outputStartStatus);
    showNames(image, NameGroup::Analogue, controls.analogueNames);
    for (std::size_t i = 0; i < controls.unitNames.size(); ++i)
        showUnitName(controls.unitNames[i], image.analogueUnitCode(static_cast<int>(i) + 1));
    showValues(image, FloatGroup::AnalogueScaling, controls.analogueScaling);
    showValues(image, FloatGroup::COVIncrement, controls.covIncrement);
}

void collectForm(const FormControls& controls, ConfigurationImage& image) {
    takeAddresses(controls, image);
    image.setDhcpEnable(controls.dhcpEnable->isChecked());
    image.setBacnetPort(controls.bacnetPort->value());
    image.setText(TextField::DeviceName, textToImage(controls.deviceName->text()));
    image.setObjectIdentifier(static_cast<std::uint32_t>(StrToInt(toStd(controls.objectIdentifier->text()))));
    image.setText(TextField::Location, textToImage(controls.location->text()));
    image.setText(TextField::Description, textToImage(controls.description->text()));
    image.setText(TextField::DevicePassword, textToImage(controls.password->text()));
    takeNames(controls.inputNames, NameGroup::Input, image);
    takeFlags(controls.invertInputs, FlagGroup::InvertInput, image);
    takeNames(controls.outputNames, NameGroup::Output, image);
    takeFlags(controls.invertOutputs, FlagGroup::InvertOutput, image);
    takeFlags(controls.outputStartStatus, FlagGroup::OutputStartStatus, image);
    takeNames(controls.analogueNames, NameGroup::Analogue, image);
    takeValues(controls.analogueScaling, FloatGroup::AnalogueScaling, image);
    takeValues(controls.covIncrement, FloatGroup::COVIncrement, image);
}

bool validateAddresses(const FormControls& controls, const std::function<void(const QString&)>& log) {
    static const std::array<QString, 3> complaints = {QStringLiteral("Invalid IP Address"),
                                                      QStringLiteral("Invalid Gateway Address"),
                                                      QStringLiteral("Invalid Submask")};
    bool result = true;
    const auto rows = addressRows(controls);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].field == AddressField::IPAddress && controls.dhcpEnable->isChecked()) continue;
        const core::SettingLimits octet = core::findSetting(rows[r].key)->limits;
        for (QLineEdit* edit : rows[r].edits) {
            const auto value = tryStrToInt(toStd(edit->text()));
            // An octet above 255 would be stored modulo 256 and reach the
            // device as an address nobody typed.
            if (!value || *value < octet.low || *value > octet.high) {
                log(complaints[r]);
                result = false;
                break;
            }
        }
    }
    return result;
}

}  // namespace vaskiro::config
