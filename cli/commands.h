#pragma once

#include <string>
#include <vector>

namespace kestrin::cli {

// Each takes the words after its own name and returns the process's exit code.
int SnapshotCommand(const std::vector<std::string>& words);
int ShowCommand(const std::vector<std::string>& words);
int DiffCommand(const std::vector<std::string>& words);
int SyncCommand(const std::vector<std::string>& words);
int RestoreCommand(const std::vector<std::string>& words);
int ExportCommand(const std::vector<std::string>& words);
int ImportCommand(const std::vector<std::string>& words);
int OpenCommand(const std::vector<std::string>& words);
int StartupCommand(const std::vector<std::string>& words);
int BridgeCommand(const std::vector<std::string>& words);

}  // namespace kestrin::cli
