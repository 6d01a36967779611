#include "settings/startup_entry.h"

#include <filesystem>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/program_folder.h"

namespace kestrin {
namespace {

constexpr mode_t kEntryMode = 0644;

// One argument of an Exec line: quoted when it holds a reserved character, with the
// quoting escapes first and the escapes of a string value over them.
std::string ExecArgument(std::string_view argument) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string quoted;
  const bool needsQuotes = argument.find_first_of(kReserved) != std::string_view::npos;
  for (const char c : argument) {
    if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) {
      quoted += '\\';
    }
    quoted += c;
  }
  if (needsQuotes) {
    quoted = '"' + quoted + '"';
  }
  std::string value;
  for (const char c : quoted) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      case '%':
        value += "%%";
        break;  // not a field code
      default:
        value += c;
    }
  }
  return value;
}

std::string DesktopEntry(const std::string& executablePath) {
  return std::string("[Desktop Entry]\n") +
         "Type=Application\n"
         "Name=" +
         kApplicationTitle + "\n" +
         "Comment=Keeps the Favorites the same on several computers\n"
         "Exec=" +
         ExecArgument(executablePath) + "\n" +
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace

std::string StartupEntryPath(const std::string& programName) {
  const std::string config = UserConfigFolder();
  return config.empty() ? std::string() : config + "autostart/" + programName + ".desktop";
}

void UpdateStartupEntry(bool startWithLogon, const std::string& programName,
                        const std::string& executablePath) {
  const std::string path = StartupEntryPath(programName);
  if (path.empty()) {
    return;
  }
  std::error_code ignored;
  if (!startWithLogon) {
    std::filesystem::remove(path, ignored);
    return;
  }
  if (executablePath.empty()) {
    return;
  }
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  // Failures are ignored, as the header says: the program runs as well without the entry.
  static_cast<void>(WriteFileAtomically(path, DesktopEntry(executablePath), kEntryMode));
}

}  // namespace kestrin
