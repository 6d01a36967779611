#pragma once

#include <string>

namespace kestrin::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's path, ending with "/".
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);

// A shell command's standard output and exit status (-1 when it did not exit normally).
struct CommandOutcome {
  int exitCode = -1;
  std::string out;
};
CommandOutcome RunCommand(const std::string& commandLine);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace kestrin::test
