#include "platform/native_path.h"

namespace kestrin {

std::filesystem::path NativePath(const std::string& path) {
  return std::filesystem::path(path);
}

std::string CorePath(const std::filesystem::path& path) {
  return path.string();
}

bool IsAbsolutePath(std::string_view path) {
  return !path.empty() && path.front() == '/';
}

}  // namespace kestrin
