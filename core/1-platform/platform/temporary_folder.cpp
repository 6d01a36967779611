#include "platform/temporary_folder.h"

#include <filesystem>

#include "platform/native_path.h"
#include "platform/posix_files.h"

namespace kestrin {

PrivateTemporaryFolder::PrivateTemporaryFolder() {
  std::error_code error;
  std::string pattern = CorePath(std::filesystem::temp_directory_path(error) / "kestrin-XXXXXX");
  if (!error && mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern + "/";
  }
}

PrivateTemporaryFolder::~PrivateTemporaryFolder() {
  std::error_code ignored;
  if (!path_.empty()) {
    std::filesystem::remove_all(NativePath(path_), ignored);
  }
}

}  // namespace kestrin
