#pragma once

#include <string>
#include <vector>

#include "platform/result.h"

namespace kestrin {

inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kLastSyncKey[] = "LastSync";
// The identity of the server this computer trusted on first use; written by the run, like
// LastSync, when the user trusts it.
inline constexpr char kServerFingerprintKey[] = "ServerFingerprint";

// The settings, named after their keys, with their first-run defaults.
struct SyncSettings {
  std::string Name;
  std::string Server;
  std::string Username;
  std::string Password;  // plain text in memory; Radix-64 in the file
  std::string Port = "21";
  int Passive = 1;
  std::string RemoteDir;
  int StartWithWin = 0;
  int SyncOnStartup = 0;
  int Schedule = 0;
  int ScheduleInt = 0;
  int UseEncryption = 0;
  int ConfirmChanges = 1;
  int LogActivity = 0;
  int LogPurge = 100;
  int ConfirmMassDeletion = 1;  // a run that would delete most shortcuts asks first
  int Protocol = 0;  // 0 FTP, 1 FTP over TLS, 2 SFTP, 3 WebDAV over HTTPS, 4 over plain HTTP
  // With UseEncryption, seals the shared list; like Password, Radix-64 in the file.
  std::string Passphrase;
  int Utf8List = 1;      // 0: the shared list in the ANSI code page (Windows), for older programs
  int SyncOnChange = 0;  // the desktop program syncs once the Favorites have been quiet a while

  bool operator==(const SyncSettings&) const = default;
};

struct LoadedSettings {
  SyncSettings settings;
  bool fileExisted = false;
  std::vector<std::string> warnings;  // values that could not be taken, said plainly
};

// Reads the settings file over `current`. No file: `current` with Port "21", Passive 1
// and ConfirmChanges 1. A missing key reads as empty text or 0, but a missing
// "ConfirmMassDeletion" as 1, since files written before it existed lack it; a value that is
// malformed or out of range keeps the current value, a password or passphrase that does not
// decode loads empty, and each is reported in `warnings`.
LoadedSettings LoadSettings(const std::string& settingsPath, const SyncSettings& current);

// Writes every key in the fixed order, once, atomically, mode 0600; other keys of the
// file ("LastSync") are kept. Fails when it could not be written.
Result<> SaveSettings(const std::string& settingsPath, const SyncSettings& settings);

}  // namespace kestrin
