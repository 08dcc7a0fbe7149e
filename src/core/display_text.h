#pragma once

#include <string>
#include <string_view>

namespace vaskiro::core {

// Text from outside (a device's name from the network, a cell of a file) as
// it may be shown on one line of a terminal, a log or a box: control
// characters become escapes that show what they were (`\n`, `\t`, `\r`,
// `\x1b`), for C0, DEL and C1 alike (C1 as UTF-8 encodes it, U+0080 to
// U+009F, written `\u0085`), as are the characters that reorder or break the
// text around them (bidirectional controls such as U+202E, U+2028 and U+2029:
// `\u202e`), and a backslash becomes `\\`, so that what is shown reads back
// to exactly one text. Other bytes pass as they are.
std::string escapeControlCharacters(std::string_view text);

// Whether two texts are the same but for the case of their ASCII letters.
bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace vaskiro::core
