#include "desktop/help_document.h"

#include <filesystem>

#include "platform/native_path.h"

namespace kestrin::desktop {

namespace {
constexpr char kHelpFile[] = "Kestrin.chm";
constexpr char kManualFile[] = "kestrin-manual.html";
}  // namespace

std::string HelpDocumentPath(const std::string& programFolder, const std::string& executablePath) {
  namespace fs = std::filesystem;
  // Through the system's own names: on Windows a path's bytes are not its ANSI code page.
  const fs::path executableFolder = NativePath(executablePath).parent_path();
  const fs::path candidates[] = {
      NativePath(programFolder) / kHelpFile,
      executableFolder / kManualFile,
      executableFolder / KESTRIN_MANUAL_FROM_BINDIR / kManualFile,
  };
  std::error_code error;
  for (const fs::path& candidate : candidates) {
    if (fs::is_regular_file(candidate, error)) {
      return CorePath(candidate.lexically_normal());
    }
  }
  return {};
}

}  // namespace kestrin::desktop
