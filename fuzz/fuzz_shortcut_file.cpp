// What the scanner takes from a shortcut file's bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "favorites/shortcut_file.h"
#include "formats/ini_file.h"
#include "fuzz/fuzz_check.h"

namespace {

// A value without line breaks, and the start of what the uncut profile read gives for its
// key: never cut anywhere else.
void CheckValue(const std::string& value, const kestrin::IniDocument& document,
                std::string_view key) {
  const std::string_view lineBreaks("\r\n\0", 3);
  FUZZ_REQUIRE(value.find_first_of(lineBreaks) == std::string::npos);
  const std::string whole = document.ReadWholeString("InternetShortcut", key);
  FUZZ_REQUIRE(whole.substr(0, whole.find_first_of(lineBreaks)) == value);
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
