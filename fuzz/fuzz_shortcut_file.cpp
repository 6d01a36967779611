// What the scanner takes from a shortcut file's bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "favorites/shortcut_file.h"
#include "fuzz/fuzz_check.h"
#include "formats/ini_file.h"

namespace {

// A value a record can carry, and the start of what the profile read gives for its key.
void CheckValue(const std::string& value, const kestrin::IniDocument& document,
                std::string_view key) {
  FUZZ_REQUIRE(value.size() <= 254);
  FUZZ_REQUIRE(value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  FUZZ_REQUIRE(document.ReadString("InternetShortcut", key).starts_with(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const kestrin::ShortcutValues values = kestrin::ParseShortcutFile(bytes);
  const kestrin::IniDocument document = kestrin::IniDocument::Parse(bytes);
  CheckValue(values.URL, document, "URL");
  CheckValue(values.IconFile, document, "IconFile");
  CheckValue(values.IconIndex, document, "IconIndex");
  return 0;
}
