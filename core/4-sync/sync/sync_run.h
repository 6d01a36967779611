#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "formats/general_date.h"
#include "ftp/ftp_client.h"
#include "settings/sync_settings.h"
#include "sync/change_list.h"
#include "sync/run_display.h"
#include "sync/run_summary.h"

namespace kestrin {

// Everything a run needs from the program around it. Time is injected so that tests need
// not wait out the lock's 120 seconds.
struct SyncEnvironment {
  RunDisplay& display;
  std::function<void()> yield{};                          // process pending UI events
  std::function<void(std::chrono::milliseconds)> idle{};  // wait, keeping the UI alive
  std::function<std::chrono::steady_clock::time_point()> monotonicNow{};
  std::function<DateTime()> localNow{};
  std::function<std::chrono::system_clock::time_point()> systemNow{};  // file times' clock
  ConfirmChangesHook confirm{};  // used when ConfirmChanges is 1, or a run deletes most
  // This run keeps what only this computer holds and uploads it, deleting nothing locally.
  bool keepLocal = false;
  // Asked at a computer's first run (no "LastSync") when its Favorites folder holds
  // shortcuts and the shared list comes from another computer: true keeps this computer's
  // favorites and adds them to the shared list, false replaces them. Empty: replace.
  std::function<bool(std::size_t localShortcuts)> keepOnFirstJoin{};
  // Told after a run that deleted, changed or added favorites.
  std::function<void(const RunSummary&)> reportChanges{};
  // Asked when the server shows an identity not seen before (a TLS certificate the system
  // does not trust, or any SSH host key), as a fingerprint "SHA256:...": true trusts it from
  // now on. Empty: nothing new is trusted.
  std::function<bool(const std::string& server, const std::string& fingerprint)> trustNewServer{};
  // Opens an FTP session whose waits call the given yield; nullptr when none can be had.
  std::function<std::unique_ptr<FtpClient>(std::function<void()> yield)> makeFtpClient{};
  // Timeouts and limits of the FTP connection; the run fills in the server and the login.
  FtpConnectOptions ftpOptions{};

  GeneralDateFormat dateFormat{};
  char decimalSeparator = '.';
  std::string programName = "kestrin";  // starts the first and last activity lines
  std::string favoritesRoot{};          // ends in "/"; empty: refuse to run
  std::string workFolder{};             // local.dat, local.ind, temp.dat; ends in "/"
  std::string settingsPath{};           // where "LastSync" is written
  std::string logPath{};
};

// An environment for the real world: the libcurl client, the system clocks, the user's
// Favorites folder and SSH key, working files and log where ProgramFilesFor puts them, en-US
// dates. The program then sets yield, idle, confirm and the locale's date form as it needs.
SyncEnvironment StandardEnvironment(RunDisplay& display, const std::string& settingsPath);

// One complete synchronization. Returns when the run has ended; true when it ended
// without an "Error: " line.
bool RunSync(const SyncSettings& settings, SyncEnvironment& env);

}  // namespace kestrin
