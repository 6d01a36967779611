#include "sync/dry_run.h"

#include <stdlib.h>

#include <filesystem>

#include "favorites/data_file.h"
#include "sync/change_detection.h"
#include "sync/run_steps.h"

namespace kestrin {
namespace {

// A folder only its owner may enter, removed with its contents.
class PrivateTemporaryFolder {
 public:
  PrivateTemporaryFolder() {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "kestrin-XXXXXX").string();
    if (!error && ::mkdtemp(pattern.data()) != nullptr) {
      path_ = pattern + "/";
    }
  }
  ~PrivateTemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) {
      std::filesystem::remove_all(path_, ignored);
    }
  }
  PrivateTemporaryFolder(const PrivateTemporaryFolder&) = delete;
  PrivateTemporaryFolder& operator=(const PrivateTemporaryFolder&) = delete;

  const std::string& path() const { return path_; }  // empty when none could be made

 private:
  std::string path_;
};

StepFailure FindChanges(const SyncSettings& settings, SyncEnvironment& env,
                        ActivityReporter& activity,
                        const std::function<void(const ChangeList&)>& show) {
  if (env.favoritesRoot.empty()) {
    return RunFailure{"Unable to Find the Favorites Folder"};
  }
  const PrivateTemporaryFolder folder;
  if (folder.path().empty()) {
    return RunFailure{"Unable to Create Local Data File..", "no private temporary folder"};
  }
  const std::string snapshot = folder.path() + "local.dat";
  const std::string shared = folder.path() + "temp.dat";
  DataFileHeader header;
  if (const StepFailure failure = WriteSnapshot(snapshot, settings, env, activity, header)) {
    return failure;
  }
  std::unique_ptr<FtpClient> client;
  StepFailure failure = ConnectToServer(settings, env, activity, client);
  bool downloaded = false;
  if (!failure) {
    failure = EnterRemoteDirectory(settings, *client, activity);
  }
  if (!failure) {
    failure = DownloadSharedList(*client, SharedListName(settings), shared, activity, downloaded);
  }
  if (client) {
    client->Close();
  }
  if (failure || !downloaded) {
    return failure;
  }
  const bool decode = settings.UseEncryption == 1;
  const auto sharedList = ReadFavoritesDataFile(shared, decode);
  if (!sharedList) {
    return RunFailure{"Unable to Read Remote Data File: " + sharedList.error()};
  }
  const auto localList = ReadFavoritesDataFile(snapshot, decode);
  if (!localList) {
    return RunFailure{"Unable to Read Local Data File: " + localList.error()};
  }
  const auto changes = ChangesToApply(*localList, *sharedList, env.dateFormat);
  if (!changes) {
    return RunFailure{changes.error()};
  }
  show(*changes);
  return std::nullopt;
}

}  // namespace

bool DryRunSync(const SyncSettings& settings, SyncEnvironment& env,
                const std::function<void(const ChangeList&)>& show) {
  // Nothing is logged: the log is one of the files a dry run leaves alone.
  ActivityReporter activity(*env.display, false);
  if (const auto refusal = RefuseSettings(settings)) {
    ReportFailure(activity, RunFailure{refusal->error});
    return false;
  }
  if (const StepFailure failure = FindChanges(settings, env, activity, show)) {
    ReportFailure(activity, *failure);
    return false;
  }
  return true;
}

}  // namespace kestrin
