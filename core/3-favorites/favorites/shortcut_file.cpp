// Internet shortcut contents: the values a record carries.

#include "favorites/shortcut_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "formats/ini_file.h"

namespace kestrin {
namespace {

constexpr std::size_t kMaxValueLength = 254;  // a 255-character buffer, as the profile read has
constexpr std::size_t kMaxShortcutBytes = 1 << 22;  // read no more of a huge file than this

// The whole file; empty when it cannot be read.
std::string ReadShortcutFile(const std::string& path) {
  std::string bytes;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    return bytes;
  }
  char buffer[1 << 14];
  while (bytes.size() < kMaxShortcutBytes) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return bytes;
}

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

ShortcutValues ReadShortcutValues(const std::string& path) {
  return ParseShortcutFile(ReadShortcutFile(path));
}

}  // namespace kestrin
