// Internet shortcut contents: the values a record carries.

#include "favorites/shortcut_file.h"

#include <algorithm>

#include "formats/ini_file.h"

namespace kestrin {
namespace {

constexpr std::size_t kMaxValueLength = 254;  // a 255-character buffer, as the profile read has

std::string ShortcutValue(const IniDocument& document, std::string_view key) {
  std::string value = document.ReadString("InternetShortcut", key);
  value.resize(std::min(value.size(), value.find_first_of(std::string_view("\0\r\n", 3))));
  if (value.size() > kMaxValueLength) {
    value.resize(kMaxValueLength);
  }
  return value;
}

}  // namespace

ShortcutValues ParseShortcutFile(std::string_view fileBytes) {
  const IniDocument document = IniDocument::Parse(fileBytes);
  return {ShortcutValue(document, "URL"), ShortcutValue(document, "IconFile"),
          ShortcutValue(document, "IconIndex")};
}

}  // namespace kestrin
