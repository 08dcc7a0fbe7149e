#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid_backend.h"

namespace vaskiro::device {

enum class OpenOutcome {
    Opened,       // the device in its application firmware
    ProgramMode,  // only a device of revision 0001 (its boot loader) was found; it is open
    NotFound,     // "Cannot find VASKIRO"
    CannotOpen,   // a device matched but the system refused to open it
};

struct OpenResult {
    OpenOutcome outcome = OpenOutcome::NotFound;
    std::unique_ptr<HidConnection> connection;  // set for Opened and ProgramMode
    std::string identifier;                     // of the device that matched
    std::string path{};                         // of the device that matched
    std::string error{};                        // the system's reason for CannotOpen
};

// The match texts, in the order they are tried.
inline constexpr std::string_view kMatchApplication = "Vid_04d8&Pid_c5e9&rev_0014";
inline constexpr std::string_view kMatchProgramMode = "Vid_04d8&Pid_c5e9&rev_0001";
inline constexpr std::string_view kMatchAny = "Vid_04d8&Pid_c5e9";

// Tries the three match texts in order; for each, the first device in
// enumeration order whose identifier contains the text (ignoring case) is
// the one, and no later device is tried for that text. A device that cannot
// be opened does not stop the later texts: CannotOpen (with the first
// refusal's identifier and reason) only when no text opened a device.
OpenResult findAndOpenVaskiro(HidBackend& backend);

// A device that carries the match texts: a VASKIRO, in whichever mode.
bool isVaskiro(const HidDeviceInfo& device);
// A VASKIRO whose boot loader runs (revision 0001).
bool inProgramMode(const HidDeviceInfo& device);

// The devices findAndOpenVaskiro() tries, in its order: for each match text
// the first device that carries it (one device may appear more than once).
std::vector<const HidDeviceInfo*> searchOrder(const std::vector<HidDeviceInfo>& devices);

// Opens the VASKIRO at `path` (as enumeration gives it) and no other:
// NotFound when no VASKIRO has that path.
OpenResult openVaskiroAt(HidBackend& backend, const std::string& path);

// The error box text for an outcome other than Opened.
std::string_view openFailureMessage(OpenOutcome outcome);

// Why no device was opened, as the window and the tool both say it.
struct OpenFailure {
    std::string message;  // the error box's text; with a chosen path that has none, "No VASKIRO at PATH"
    std::string refused;  // CannotOpen: "IDENTIFIER: the system's reason"
    std::string remedy;   // what to do about it, a sentence; may be empty
    // All of it in one line: for a terminal, or a row's status.
    std::string oneLine() const;
};
OpenFailure describeOpenFailure(const OpenResult& result, std::string_view devicePath);

}  // namespace vaskiro::device
