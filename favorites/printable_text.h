#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// Text as it may reach a person, in a terminal, the log or the window: control characters
// (C0, DEL and C1, alone or UTF-8 encoded) become \xHH, one per byte, so that text from a
// server, a list or a folder can neither send escape sequences to a terminal nor break a
// log into forged lines. Other text, UTF-8 or not, passes unchanged.
std::string PrintableText(std::string_view text);

}  // namespace kestrin
