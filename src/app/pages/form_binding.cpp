#include "app/pages/form_binding.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>

#include "app/pages/form_edits.h"
#include "core/engineering_units.h"
#include "core/str_to_int.h"
#include "core/text_codec.h"

namespace vaskiro::app {

namespace {

using core::ControlKind;

std::string toStd(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return {utf8.constData(), static_cast<std::size_t>(utf8.size())};
}

QLineEdit* edit(const std::vector<QWidget*>& controls, std::size_t i = 0) {
    return static_cast<QLineEdit*>(controls[i]);
}

}  // namespace

QString textFromImage(const std::string& bytes) { return QString::fromStdString(core::fromWindows1252(bytes)); }

std::string textToImage(const QString& text) { return core::toWindows1252(toStd(text)); }

void showUnitName(QLineEdit* edit, std::uint32_t code) {
    edit->setText(QString::fromStdString(std::string(core::EngineeringUnitName(code))));
}

void populateForm(const core::ConfigurationImage& image, const FormControls& controls) {
    for (const core::Setting& setting : core::allSettings()) {
        const core::SettingValue value = setting.value(image);
        const std::vector<QWidget*>& shown = controls.of(setting.key);
        switch (setting.window.kind) {
        case ControlKind::CheckBox: static_cast<QCheckBox*>(shown[0])->setChecked(std::get<bool>(value)); break;
        case ControlKind::OctetEdits:
            for (std::size_t i = 0; i < shown.size(); ++i)
                edit(shown, i)->setText(QString::number(std::get<core::Octets>(value)[i]));
            break;
        case ControlKind::SpinEdit:
            static_cast<QSpinBox*>(shown[0])->setValue(static_cast<int>(std::get<std::int64_t>(value)));
            break;
        case ControlKind::TextEdit:
            static_cast<LimitedLineEdit*>(shown[0])->setWholeText(textFromImage(std::get<std::string>(value)));
            break;
        case ControlKind::DigitsEdit: edit(shown)->setText(QString::number(std::get<std::int64_t>(value))); break;
        case ControlKind::UnitName:
            showUnitName(edit(shown), static_cast<std::uint32_t>(std::get<std::int64_t>(value)));
            break;
        case ControlKind::NumberEdit: static_cast<NumericEdit*>(shown[0])->setValue(std::get<float>(value)); break;
        }
    }
}

core::Result<void> collectForm(const FormControls& controls, core::ConfigurationImage& image) {
    bool addressesEnded = false;  // at an octet that is not a number: the octets after it keep their values
    for (const core::Setting& setting : core::allSettings()) {
        const std::vector<QWidget*>& shown = controls.of(setting.key);
        switch (setting.window.kind) {
        case ControlKind::CheckBox: setting.store(image, static_cast<QCheckBox*>(shown[0])->isChecked()); break;
        case ControlKind::OctetEdits:
            for (std::size_t i = 0; i < shown.size() && !addressesEnded; ++i) {
                const auto number = core::StrToInt(toStd(edit(shown, i)->text()));
                addressesEnded = !number;
                if (addressesEnded) break;
                auto octets = std::get<core::Octets>(setting.value(image));
                octets[i] = static_cast<std::uint8_t>(*number & 0xFF);
                setting.store(image, octets);
            }
            break;
        case ControlKind::SpinEdit:
            setting.store(image, std::int64_t{static_cast<QSpinBox*>(shown[0])->value()});
            break;
        case ControlKind::TextEdit: setting.store(image, textToImage(edit(shown)->text())); break;
        case ControlKind::DigitsEdit: {
            const auto number = core::StrToInt(toStd(edit(shown)->text()));
            if (!number) return core::Unexpected(number.error());
            setting.store(image, std::int64_t{*number});
            break;
        }
        case ControlKind::UnitName: break;  // the units picker stores the code itself
        case ControlKind::NumberEdit: setting.store(image, static_cast<NumericEdit*>(shown[0])->value()); break;
        }
    }
    return {};
}

bool validateAddresses(const FormControls& controls, const std::function<void(const QString&)>& log) {
    bool result = true;
    for (const core::Setting& setting : core::allSettings()) {
        const core::WindowControl& window = setting.window;
        if (window.kind != ControlKind::OctetEdits) continue;
        if (!window.skippedWhen.empty() && controls.one<QCheckBox>(window.skippedWhen)->isChecked()) continue;
        for (QWidget* octet : controls.of(setting.key)) {
            const auto value = core::StrToInt(toStd(static_cast<QLineEdit*>(octet)->text()));
            // An octet above 255 would be stored modulo 256 and reach the
            // device as an address nobody typed.
            if (!value || *value < window.takes.low || *value > window.takes.high) {
                log(QString::fromStdString(window.complaint));
                result = false;
                break;
            }
        }
    }
    return result;
}

}  // namespace vaskiro::app
