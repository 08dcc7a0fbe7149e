#pragma once

#include <string>
#include <string_view>

namespace vaskiro::core {

// Text as it may stand in HTML, between tags or inside a quoted attribute:
// & < > " ' become character references. Every text that a generated page
// shows goes through here, so that a name like "<b>AHU</b>" is shown, not obeyed.
std::string htmlEscape(std::string_view text);

}  // namespace vaskiro::core
