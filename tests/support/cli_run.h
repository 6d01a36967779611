#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "tests/support/temp_dir.h"

namespace kestrin::test {

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// kestrin-cli run with the arguments, no terminal on standard input, after the environment
// assignments of `environment` ("HOME=/x ..."), from `program`.
inline Outcome RunCli(const std::string& arguments, const std::string& environment = "",
                      const std::string& program = KESTRIN_CLI) {
  TempDir capture;
  const std::string command = "LC_ALL=C env " + environment + " '" + program + "' " + arguments +
                              " </dev/null 2>'" + capture.path() + "err'";
  const CommandOutcome run = RunCommand(command);
  Outcome outcome{run.exitCode, run.out, ReadFileBytes(capture.path() + "err")};
  return outcome;
}

// Every file and folder under root, by its path below root, with the files' bytes.
inline std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string path = entry.path().string();
    tree[path.substr(root.size())] = entry.is_directory() ? "<folder>" : ReadFileBytes(path);
  }
  return tree;
}

}  // namespace kestrin::test
