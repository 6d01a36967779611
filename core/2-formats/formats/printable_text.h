#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// A value from a shared list as a line shown to a person may quote it: control characters
// become \xHH, so that a hostile list can neither send escape sequences to a terminal nor
// break a log into forged lines. Other bytes pass unchanged.
std::string PrintableText(std::string_view text);

}  // namespace kestrin
