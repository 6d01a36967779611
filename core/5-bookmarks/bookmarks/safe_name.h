#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrin {

// Room left in a 255-byte file name for " (100).url".
inline constexpr std::size_t kMaxSafeNameBytes = 200;

// The one way a bookmark's title becomes the name of a folder or (before ".url") of a
// shortcut file that every computer sharing the list can create and carry:
// - a control character and each of / \ : * ? " < > | becomes "_";
// - blanks and dots at either end are dropped;
// - the name is cut to kMaxSafeNameBytes, never inside a UTF-8 character;
// - an empty name becomes "Untitled", a name Windows keeps for its devices (CON, PRN, AUX,
//   NUL, COM1 to COM9, LPT1 to LPT9, in any case) gets "_" before it.
// Other text, any UTF-8, stays as it is.
std::string SafeName(std::string_view title);

}  // namespace kestrin
