#include "desktop/help_document.h"

#include <filesystem>

namespace kestrin::desktop {

namespace {
constexpr char kHelpFile[] = "Kestrin.chm";
constexpr char kManualFile[] = "kestrin-manual.html";
}  // namespace

std::string HelpDocumentPath(const std::string& programFolder, const std::string& executablePath) {
  namespace fs = std::filesystem;
  const fs::path executableFolder = fs::path(executablePath).parent_path();
  const fs::path candidates[] = {
      fs::path(programFolder) / kHelpFile,
      executableFolder / kManualFile,
      executableFolder / KESTRIN_MANUAL_FROM_BINDIR / kManualFile,
  };
  std::error_code error;
  for (const fs::path& candidate : candidates) {
    if (fs::is_regular_file(candidate, error)) {
      return candidate.lexically_normal().string();
    }
  }
  return {};
}

}  // namespace kestrin::desktop
