#include "settings/sync_settings.h"

#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "formats/ini_file.h"
#include "formats/radix64.h"
#include "platform/native_path.h"
#include "platform/private_file.h"

namespace kestrin {
namespace {

struct NumberRange {
  int low;
  int high;
};

constexpr NumberRange kCheckBox{0, 1};
constexpr NumberRange kScheduleIndex{-1, 7};
constexpr NumberRange kLogPurgeRange{10, 1000};
constexpr NumberRange kProtocolRange{0, 4};

// The whole text as a decimal number, nothing else around it.
std::optional<int> WholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
  }
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return number;
}

class SettingsReader {
 public:
  SettingsReader(const std::string& path, LoadedSettings& loaded)
      : document_(IniDocument::Load(path)), loaded_(loaded) {}

  void Text(const char* key, std::string& field) const {
    field = document_.ReadString(kSettingsSection, key);
  }

  // A secret stored in Radix-64 form; `what` names it in the warning.
  void Secret(const char* key, const char* what, std::string& field) const {
    const auto decoded = Radix64Decode(document_.ReadString(kSettingsSection, key));
    field = decoded.value_or("");
    if (!decoded) {
      loaded_.warnings.push_back("The stored \"" + std::string(key) +
                                 "\" is not in Radix-64 form; the " + what + " was left empty.");
    }
  }

  // A missing key reads as `absent` when the range holds it; a value that is no number, or
  // one outside the range that the control can show, keeps the current value.
  void Number(const char* key, NumberRange range, int& field, int absent = 0) const {
    if (!document_.HasKey(kSettingsSection, key)) {
      if (range.low <= absent && absent <= range.high) {
        field = absent;
      }
      return;
    }
    const std::string text = document_.ReadString(kSettingsSection, key);
    const auto number = WholeNumber(text);
    if (number && range.low <= *number && *number <= range.high) {
      field = *number;
      return;
    }
    loaded_.warnings.push_back("The stored \"" + std::string(key) + "\" value \"" + text +
                               "\" is not a whole number from " + std::to_string(range.low) +
                               " to " + std::to_string(range.high) + "; kept " +
                               std::to_string(field) + ".");
  }

 private:
  IniDocument document_;
  LoadedSettings& loaded_;
};

}  // namespace

LoadedSettings LoadSettings(const std::string& settingsPath, const SyncSettings& current) {
  LoadedSettings loaded;
  loaded.settings = current;
  std::error_code error;
  loaded.fileExisted =
      !settingsPath.empty() && std::filesystem::exists(NativePath(settingsPath), error);
  SyncSettings& s = loaded.settings;
  if (!loaded.fileExisted) {
    s.Port = "21";
    s.Passive = 1;
    s.ConfirmChanges = 1;
    return loaded;
  }
  // The program writes the file for its owner only; one made by hand is brought in line,
  // since it holds the password.
  RestrictToOwner(settingsPath);
  const SettingsReader read(settingsPath, loaded);
  read.Text("Name", s.Name);
  read.Text("Server", s.Server);
  read.Text("Username", s.Username);
  read.Secret("Password", "password", s.Password);
  read.Text("Port", s.Port);
  read.Number("Passive", kCheckBox, s.Passive);
  read.Text("RemoteDir", s.RemoteDir);
  read.Number("StartWithWin", kCheckBox, s.StartWithWin);
  read.Number("SyncOnStartup", kCheckBox, s.SyncOnStartup);
  read.Number("Schedule", kCheckBox, s.Schedule);
  read.Number("ScheduleInt", kScheduleIndex, s.ScheduleInt);
  read.Number("UseEncryption", kCheckBox, s.UseEncryption);
  read.Secret("Passphrase", "passphrase", s.Passphrase);
  read.Number("ConfirmChanges", kCheckBox, s.ConfirmChanges);
  read.Number("LogActivity", kCheckBox, s.LogActivity);
  read.Number("LogPurge", kLogPurgeRange, s.LogPurge);
  read.Number("ConfirmMassDeletion", kCheckBox, s.ConfirmMassDeletion, 1);
  read.Number("Protocol", kProtocolRange, s.Protocol);
  read.Number("Utf8List", kCheckBox, s.Utf8List, 1);
  read.Number("SyncOnChange", kCheckBox, s.SyncOnChange);
  return loaded;
}

Result<> SaveSettings(const std::string& settingsPath, const SyncSettings& s) {
  const auto number = [](int value) { return std::to_string(value); };
  return WriteIniStrings(settingsPath, kSettingsSection,
                         {{"Name", s.Name},
                          {"Server", s.Server},
                          {"Username", s.Username},
                          {"Password", Radix64Encode(s.Password)},
                          {"Port", s.Port},
                          {"Passive", number(s.Passive)},
                          {"RemoteDir", s.RemoteDir},
                          {"StartWithWin", number(s.StartWithWin)},
                          {"SyncOnStartup", number(s.SyncOnStartup)},
                          {"Schedule", number(s.Schedule)},
                          {"ScheduleInt", number(s.ScheduleInt)},
                          {"UseEncryption", number(s.UseEncryption)},
                          {"Passphrase", Radix64Encode(s.Passphrase)},
                          {"ConfirmChanges", number(s.ConfirmChanges)},
                          {"LogActivity", number(s.LogActivity)},
                          {"LogPurge", number(s.LogPurge)},
                          {"ConfirmMassDeletion", number(s.ConfirmMassDeletion)},
                          {"Protocol", number(s.Protocol)},
                          {"Utf8List", number(s.Utf8List)},
                          {"SyncOnChange", number(s.SyncOnChange)}});
}

}  // namespace kestrin
