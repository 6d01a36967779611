// Internet shortcut contents: the values a record carries.

#include "favorites/shortcut_file.h"

#include <algorithm>
#include <cerrno>

#include "formats/ini_file.h"
#include "platform/posix_files.h"

namespace kestrin {
namespace {

constexpr std::size_t kMaxValueLength = 254;  // a 255-character buffer, as the profile read has
constexpr std::size_t kMaxShortcutBytes = 1 << 22;  // read no more of a huge file than this

constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;

// The whole file open at `fd`, which it closes; empty when it cannot be read.
std::string ReadShortcutFile(int fd) {
  std::string bytes;
  if (fd < 0) {
    return bytes;
  }
  char buffer[1 << 14];
  while (bytes.size() < kMaxShortcutBytes) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  close(fd);
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

bool IsOpenableUrl(std::string_view url) {
  const std::size_t colon = url.find(':');
  if (colon == std::string_view::npos) {
    return false;
  }
  std::string scheme(url.substr(0, colon));
  std::ranges::transform(scheme, scheme.begin(), [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  });
  return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "file";
}

bool WriteShortcutFile(const ContainedFolder& folder, const std::string& name, std::string_view url,
                       std::string_view iconFile, std::string_view iconIndex, bool replace,
                       std::optional<std::time_t> modified) {
  std::string text = "[InternetShortcut]\r\nURL=";
  text.append(url).append("\r\nIconFile=").append(iconFile);
  text.append("\r\nIconIndex=").append(iconIndex).append("\r\n");
  const int fd = folder.OpenFile(name, O_WRONLY | O_CREAT | (replace ? O_TRUNC : O_EXCL), 0644);
  if (fd < 0) {
    return false;
  }
  const timespec times[2] = {{0, UTIME_OMIT}, {modified.value_or(0), 0}};
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                       (!modified || futimens(fd, times) == 0);
  if (close(fd) == 0 && written) {
    return true;
  }
  // A cut-short shortcut (a full disk) would be read back as one without a URL, and a
  // newer file time would let it stand against the shared copy: leave none behind.
  folder.RemoveFile(name);
  return false;
}

ShortcutValues ReadShortcutValues(const std::string& path) {
  return ParseShortcutFile(ReadShortcutFile(open(path.c_str(), kReadFlags)));
}

ShortcutValues ReadShortcutValues(const ContainedFolder& folder, const std::string& name) {
  return ParseShortcutFile(ReadShortcutFile(folder.OpenFile(name, kReadFlags)));
}

}  // namespace kestrin
