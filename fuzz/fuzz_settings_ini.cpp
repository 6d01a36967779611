// The settings file reader: every key the settings read, and a write read back.

#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "formats/ini_file.h"

namespace {

constexpr const char* kSection = "Kestrin";
constexpr const char* kKeys[] = {"Name",           "Server",      "Username",    "Password",
                                 "Port",           "Passive",     "RemoteDir",   "StartWithWin",
                                 "SyncOnStartup",  "Schedule",    "ScheduleInt", "UseEncryption",
                                 "ConfirmChanges", "LogActivity", "LogPurge",    "LastSync"};

void CheckReads(const kestrin::IniDocument& document, const char* key) {
  const std::string text = document.ReadString(kSection, key);
  FUZZ_REQUIRE(text.size() <= 254);
  if (!document.HasKey(kSection, key)) {
    FUZZ_REQUIRE(text.empty());
    FUZZ_REQUIRE(document.ReadInt(kSection, key) == 0);
  }
  // A plain decimal number within int reads as itself.
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (!text.empty() && error == std::errc() && end == text.data() + text.size()) {
    FUZZ_REQUIRE(document.ReadInt(kSection, key) == number);
  }
}

// A value Set stores is read back unchanged when the reader keeps it as it is: one line, no
// blanks around it, not in matching quotes, within 254 characters.
bool ReadsBackAsWritten(const std::string& value) {
  if (value.size() > 254 ||
      value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
    return false;
  }
  if (!value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                         value.back() == '\t')) {
    return false;
  }
  return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
           value.back() == value.front());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string value = provider.ConsumeRandomLengthString(300);
  const char* key = kKeys[provider.ConsumeIntegralInRange<std::size_t>(0, std::size(kKeys) - 1)];
  const std::string text = provider.ConsumeRemainingBytesAsString();

  kestrin::IniDocument document = kestrin::IniDocument::Parse(text);
  for (const char* each : kKeys) {
    CheckReads(document, each);
  }

  // The text written reads as the same document.
  const std::string serialized = document.Serialize();
  FUZZ_REQUIRE(kestrin::IniDocument::Parse(serialized).Serialize() == serialized);

  document.Set(kSection, key, value);
  const kestrin::IniDocument reread = kestrin::IniDocument::Parse(document.Serialize());
  FUZZ_REQUIRE(reread.HasKey(kSection, key));
  if (ReadsBackAsWritten(value)) {
    FUZZ_REQUIRE(reread.ReadString(kSection, key) == value);
  }
  return 0;
}
