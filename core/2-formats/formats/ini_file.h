#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/result.h"

namespace kestrin {

// Private-profile (INI) access with the semantics of the Windows calls: section and key
// matched without regard to case, blanks around a value dropped, a value in matching
// quotes read without them, at most 254 characters delivered.
class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);
  static IniDocument Load(const std::string& path);  // empty when the file cannot be read

  // Empty text when the section or key is missing.
  std::string ReadString(std::string_view section, std::string_view key) const;
  // The same, never cut: for values that may be longer than the Windows call delivers.
  std::string ReadWholeString(std::string_view section, std::string_view key) const;
  // The leading sign and digits of the value, as the Windows call reads them; 0 when missing.
  int ReadInt(std::string_view section, std::string_view key) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  // Every section's name in the order of the file.
  std::vector<std::string> SectionNames() const;

  // Replaces the key's line or adds one, adding the section when missing.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // CR LF line ends.
  std::string Serialize() const;

 private:
  std::vector<std::string> lines_;
};

std::string ReadIniString(const std::string& path, std::string_view section, std::string_view key);

// Writes the file whole and atomically (temporary file, then rename), readable and
// writable by its owner only. Fails, writing nothing, for a value with a line break, and
// when the file could not be read whole or written.
Result<> WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
Result<> WriteIniStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& keyValues);

}  // namespace kestrin
