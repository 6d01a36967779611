#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// The three keys of an Internet shortcut's "InternetShortcut" section that a record carries.
struct ShortcutValues {
  std::string URL;
  std::string IconFile;
  std::string IconIndex;
};

// The values as the profile read delivers them into 255 characters: each up to its first
// NUL, CR or LF, at most 254 characters; empty when the key is missing.
ShortcutValues ParseShortcutFile(std::string_view fileBytes);

// The values of the shortcut file at `path`, read once and never through a link; empty
// values when it cannot be read, as the profile read gives for a file it cannot open.
ShortcutValues ReadShortcutValues(const std::string& path);

}  // namespace kestrin
