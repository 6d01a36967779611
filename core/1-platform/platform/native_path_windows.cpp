#include "platform/native_path.h"

#include "platform/wide_text.h"

namespace kestrin {

std::filesystem::path NativePath(const std::string& path) {
  return std::filesystem::path(WideFromUtf8(path));
}

std::string CorePath(const std::filesystem::path& path) {
  return Utf8FromWide(path.generic_wstring());
}

bool IsAbsolutePath(std::string_view path) {
  const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '/' || path[2] == '\\');
  const bool share = path.starts_with("//") || path.starts_with("\\\\");
  return drive || share;
}

}  // namespace kestrin
