#pragma once

#include <string>

namespace kestrin {

// A new folder under the system's temporary folder that only its owner may enter, removed
// with everything in it when this goes.
class PrivateTemporaryFolder {
 public:
  PrivateTemporaryFolder();
  ~PrivateTemporaryFolder();
  PrivateTemporaryFolder(const PrivateTemporaryFolder&) = delete;
  PrivateTemporaryFolder& operator=(const PrivateTemporaryFolder&) = delete;

  const std::string& path() const { return path_; }  // ends in "/"; empty when none could be made

 private:
  std::string path_;
};

}  // namespace kestrin
