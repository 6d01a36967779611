#pragma once

#include <memory>
#include <optional>
#include <string>

#include "favorites/favorite_record.h"
#include "ftp/ftp_client.h"
#include "settings/sync_settings.h"
#include "sync/activity.h"
#include "sync/run_failure.h"
#include "sync/shared_list_form.h"
#include "sync/sync_run.h"

namespace kestrin {

// The steps that a run and a dry run take alike, each reporting its activity line.

// Why settings cannot be used for a run: the "Error: " line's text and the status text.
struct SettingsRefusal {
  std::string error;
  std::string status;
};

// Fails when a required field is empty or the computer name cannot head a list.
Result<void, SettingsRefusal> CheckSettings(const SyncSettings& settings);

// Whether a scan writes back the scan cache of the working folder (kScanCacheName) or only
// reads it.
enum class ScanCacheUse { Keep, ReadOnly };
inline constexpr char kScanCacheName[] = "scan.cache";

// What a snapshot of the Favorites folder holds without reading it again.
struct SnapshotWritten {
  DataFileHeader header;
  std::size_t shortcuts = 0;
};

// Writes the snapshot of the Favorites folder to path, a private file made afresh, in the
// shared list's form, and tells what it wrote. Shortcut files that the scan cache knows
// unchanged are not read.
StepResult WriteSnapshot(const std::string& path, const SyncSettings& settings,
                         const SyncEnvironment& env, ActivityReporter& activity,
                         SnapshotWritten& written, ScanCacheUse cacheUse);

// Opens an FTP session and logs in; client holds the session whenever one could be had.
StepResult ConnectToServer(const SyncSettings& settings, const SyncEnvironment& env,
                           ActivityReporter& activity, std::unique_ptr<FtpClient>& client);

// Changes to the remote directory, when one is set.
StepResult EnterRemoteDirectory(const SyncSettings& settings, FtpClient& client,
                                ActivityReporter& activity);

// Downloads the shared list to path when the server holds one, opening it when it is
// sealed; downloaded tells whether it did, label what a sealed list was sealed under. The
// server's bytes are in form.ServerCopyOf(path).
StepResult DownloadSharedList(FtpClient& client, const SharedListForm& form,
                              const std::string& path, ActivityReporter& activity, bool& downloaded,
                              SealLabel& label);

// The "Error: " line and, below it, its reason.
void ReportFailure(ActivityReporter& activity, const RunFailure& failure);

}  // namespace kestrin
