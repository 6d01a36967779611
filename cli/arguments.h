#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kestrin::cli {

// A command's words: positional arguments, "--flag" switches and "--option VALUE" pairs.
// Anything not declared makes the whole line invalid.
class Arguments {
 public:
  // Fails (nullopt) on an unknown "--" word or an option without its value.
  static std::optional<Arguments> Parse(const std::vector<std::string>& words,
                                        const std::set<std::string>& flags,
                                        const std::set<std::string>& options);

  bool Has(const std::string& flag) const { return flags_.contains(flag); }
  std::optional<std::string> Value(const std::string& option) const;
  const std::vector<std::string>& positional() const { return positional_; }

 private:
  std::set<std::string> flags_;
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::string> positional_;
};

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitAwaitingConfirmation = 3;

// An absolute folder path ending in "/".
std::string AbsoluteFolder(const std::string& path);

// The folder of --favorites, else the user's Favorites folder; empty when it cannot be found.
std::string FavoritesFolderOf(const Arguments& args);

// The file of --settings with "/" between names (a Windows path may have "\\"), else the
// user's own settings file.
std::string SettingsPathOf(const Arguments& args);

}  // namespace kestrin::cli
