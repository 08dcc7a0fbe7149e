#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/configuration_image.h"
#include "core/result.h"
#include "core/settings_table.h"

class QLineEdit;
class QWidget;

namespace vaskiro::app {

// Every control bound to a setting, under the setting's key: one control, or
// an address's four octet edits, first octet first. The pages fill it in as
// they build the controls from the settings table.
class FormControls {
public:
    void add(const std::string& key, QWidget* control) { m_controls[key].push_back(control); }
    const std::vector<QWidget*>& of(std::string_view key) const { return m_controls.find(key)->second; }
    template <class Control>
    Control* one(std::string_view key) const {
        return static_cast<Control*>(of(key).front());
    }
    // The controls of a family ("input-invert"), channel 1 first.
    template <class Control>
    std::vector<Control*> family(std::string_view family) const;

private:
    std::map<std::string, std::vector<QWidget*>, std::less<>> m_controls;
};

template <class Control>
std::vector<Control*> FormControls::family(std::string_view family) const {
    std::vector<Control*> members;
    for (const core::Setting* member : core::familyOf(family)) members.push_back(one<Control>(member->key));
    return members;
}

// Image texts are Windows-1252 bytes on every platform, never the locale's.
QString textFromImage(const std::string& bytes);
std::string textToImage(const QString& text);

// Shows the display name of a unit code; empty for a code the catalogue lacks.
void showUnitName(QLineEdit* edit, std::uint32_t code);

// Image into every bound control. Never fails, never validates.
void populateForm(const core::ConfigurationImage& image, const FormControls& controls);

// Every bound control into the image, in the table's order. The address block
// stops silently at the first octet that is not a number (later octets keep
// their values) and stores the low 8 bits of each number. A bad object
// identifier ends the collection there, leaving the fields after it as they
// were, and is refused with "'<text>' is not a valid integer value".
core::Result<void> collectForm(const FormControls& controls, core::ConfigurationImage& image);

// True when every checked address octet is a number the window takes (0 to
// 255). Logs one line per bad address; an address is not checked while the
// box that spares it (automatic address) is checked.
bool validateAddresses(const FormControls& controls, const std::function<void(const QString&)>& log);

}  // namespace vaskiro::app
