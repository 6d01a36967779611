#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "favorites/record_rule.h"
#include "platform/contained_folder.h"

namespace kestrin {

// A shortcut file holds a few lines: the three values at their longest and room around them.
// A larger file is not taken for one when read whole.
inline constexpr std::size_t kMaxShortcutFileBytes = 4 * kMaxUrlBytes;

// The three keys of an Internet shortcut's "InternetShortcut" section that a record carries.
struct ShortcutValues {
  std::string URL;
  std::string IconFile;
  std::string IconIndex;
};

// The values as the profile read delivers them, but whole: each up to its first NUL, CR or
// LF; empty when the key is missing. A value longer than kMaxUrlBytes is delivered whole
// too, for the record rule to refuse.
ShortcutValues ParseShortcutFile(std::string_view fileBytes);

// Whether the URL is one a shortcut may open in the browser: an http, https, ftp or file
// address (the scheme in any case). Others (javascript:, data:, a program's own scheme)
// could run something instead of showing a page.
bool IsOpenableUrl(std::string_view url);

// Writes the Internet shortcut `name` into `folder`, holding the three values, mode 0644,
// never through a link; with `modified` (seconds since 1970, UTC) as its modification time,
// otherwise the time of writing. With `replace` a file of that name is overwritten; without,
// one that exists makes the write fail. False when it could not be written whole; a write
// cut short leaves no file.
bool WriteShortcutFile(const ContainedFolder& folder, const std::string& name, std::string_view url,
                       std::string_view iconFile, std::string_view iconIndex, bool replace,
                       std::optional<std::time_t> modified = std::nullopt);

// The values of the shortcut file at `path`, read once and never through a link; empty
// values when it cannot be read, as the profile read gives for a file it cannot open.
ShortcutValues ReadShortcutValues(const std::string& path);
ShortcutValues ReadShortcutValues(const ContainedFolder& folder, const std::string& name);

}  // namespace kestrin
