#include "platform/temporary_folder.h"

#include <stdlib.h>

#include <filesystem>

namespace kestrin {

PrivateTemporaryFolder::PrivateTemporaryFolder() {
  std::error_code error;
  std::string pattern = (std::filesystem::temp_directory_path(error) / "kestrin-XXXXXX").string();
  if (!error && ::mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern + "/";
  }
}

PrivateTemporaryFolder::~PrivateTemporaryFolder() {
  std::error_code ignored;
  if (!path_.empty()) {
    std::filesystem::remove_all(path_, ignored);
  }
}

}  // namespace kestrin
