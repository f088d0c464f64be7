// Text from the program's inputs (a name, a script line, a file's bytes)
// made safe to show: control characters would otherwise reach the terminal
// as they stand and could retitle it, clear it or move its cursor.
#pragma once

#include <string>
#include <string_view>

namespace ferrovello {

// `text` with every control character written out as an escape: C0 but the
// line feed and DEL as \x1B, \x7F; the C1 characters U+0080 to U+009F as
// \u009B; a byte that is not part of UTF-8 as \xNN. The rest is unchanged.
std::string visible_text(std::string_view text);

}  // namespace ferrovello
