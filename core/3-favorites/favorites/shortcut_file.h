#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrin {

// A shortcut file holds a few short lines: a larger file is not taken for one when read
// whole.
inline constexpr std::size_t kMaxShortcutFileBytes = 64 * 1024;

// The three keys of an Internet shortcut's "InternetShortcut" section that a record carries.
struct ShortcutValues {
  std::string URL;
  std::string IconFile;
  std::string IconIndex;
};

// The same values as views: into values just read, or into what a scan kept of them.
struct ShortcutValueViews {
  std::string_view URL;
  std::string_view IconFile;
  std::string_view IconIndex;

  ShortcutValueViews(std::string_view url, std::string_view iconFile, std::string_view iconIndex)
      : URL(url), IconFile(iconFile), IconIndex(iconIndex) {}
  ShortcutValueViews(const ShortcutValues& values)  // NOLINT: a view of them, as string_view is
      : URL(values.URL), IconFile(values.IconFile), IconIndex(values.IconIndex) {}
};

// The values as the profile read delivers them into 255 characters: each up to its first
// NUL, CR or LF, at most 254 characters; empty when the key is missing.
ShortcutValues ParseShortcutFile(std::string_view fileBytes);

// Whether the URL is one a shortcut may open in the browser: an http, https, ftp or file
// address (the scheme in any case). Others (javascript:, data:, a program's own scheme)
// could run something instead of showing a page.
bool IsOpenableUrl(std::string_view url);

// Writes an Internet shortcut holding the three values, mode 0644, never through a link.
// With `replace` a file of that name is overwritten; without, one that exists makes the
// write fail. False when it could not be written whole; a write cut short leaves no file.
bool WriteShortcutFile(const std::string& path, std::string_view url, std::string_view iconFile,
                       std::string_view iconIndex, bool replace);

// The values of the shortcut file at `path`, read once and never through a link; empty
// values when it cannot be read, as the profile read gives for a file it cannot open.
ShortcutValues ReadShortcutValues(const std::string& path);

}  // namespace kestrin
