#include "cli/arguments.h"

#include <filesystem>

#include "favorites/favorites_path.h"
#include "platform/native_path.h"
#include "settings/program_files.h"

namespace kestrin::cli {

std::optional<Arguments> Arguments::Parse(const std::vector<std::string>& words,
                                          const std::set<std::string>& flags,
                                          const std::set<std::string>& options) {
  Arguments parsed;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.rfind("--", 0) != 0) {
      parsed.positional_.push_back(word);
    } else if (flags.contains(word)) {
      parsed.flags_.insert(word);
    } else if (options.contains(word) && i + 1 < words.size()) {
      parsed.values_.emplace_back(word, words[++i]);
    } else {
      return std::nullopt;
    }
  }
  return parsed;
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
  for (const auto& [name, value] : values_) {
    if (name == option) {
      return value;
    }
  }
  return std::nullopt;
}

std::string AbsoluteFolder(const std::string& path) {
  std::error_code ec;
  std::string absolute =
      CorePath(std::filesystem::absolute(NativePath(path), ec).lexically_normal());
  if (absolute.empty() || absolute.back() != '/') {
    absolute += '/';
  }
  return absolute;
}

std::string SettingsPathOf(const Arguments& args) {
  const auto file = args.Value("--settings");
  return file ? CorePath(NativePath(*file)) : SettingsFilePath();
}

std::string FavoritesFolderOf(const Arguments& args) {
  const auto folder = args.Value("--favorites");
  return folder ? AbsoluteFolder(*folder) : GetFavoritesFolder();
}

}  // namespace kestrin::cli
