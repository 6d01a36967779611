#include "sync/dry_run.h"

#include "favorites/data_file.h"
#include "platform/temporary_folder.h"
#include "sync/agreed_list.h"
#include "sync/change_detection.h"
#include "sync/run_steps.h"
#include "sync/sealed_generation.h"
#include "sync/shared_folder_state.h"

namespace kestrin {
namespace {

StepResult FindChanges(const SyncSettings& settings, SyncEnvironment& env,
                       ActivityReporter& activity,
                       const std::function<void(const ChangeList&)>& show) {
  if (env.favoritesRoot.empty()) {
    return StepFailed("Unable to Find the Favorites Folder");
  }
  const PrivateTemporaryFolder folder;
  if (folder.path().empty()) {
    return StepFailed("Unable to Create Local Data File..", "no private temporary folder");
  }
  const std::string snapshot = folder.path() + "local.dat";
  const std::string shared = folder.path() + "temp.dat";
  const SharedListForm form = SharedListFormOf(settings);
  SnapshotWritten written;
  if (StepResult made =
          WriteSnapshot(snapshot, settings, env, activity, written, ScanCacheUse::ReadOnly);
      !made) {
    return made;
  }
  std::unique_ptr<FtpClient> client;
  StepResult fetched = ConnectToServer(settings, env, activity, client);
  bool downloaded = false;
  if (fetched) {
    fetched = EnterRemoteDirectory(settings, *client, activity);
  }
  SealLabel label;
  if (fetched) {
    fetched = DownloadSharedList(*client, form, shared, activity, downloaded, label);
  }
  if (client) {
    client->Close();
  }
  SealedGenerations generations;
  if (fetched) {
    fetched = CheckSealedListFound(env.workFolder, settings,
                                   downloaded ? std::optional(label) : std::nullopt, env.keepLocal,
                                   generations);
  }
  if (!fetched || !downloaded) {
    return fetched;
  }
  const bool decode = form.encodedFields;
  const auto sharedList = ReadFavoritesDataFile(shared, decode);
  if (!sharedList) {
    return StepFailed("Unable to Read Remote Data File: " + sharedList.error());
  }
  const auto localList = ReadFavoritesDataFile(snapshot, decode);
  if (!localList) {
    return StepFailed("Unable to Read Local Data File: " + localList.error());
  }
  // The list last agreed on is read, never written: a dry run changes nothing.
  const auto base =
      ReadAgreedList(AgreedListPath(SharedFolderStateOf(env.workFolder, settings), decode), decode);
  const auto changes =
      ChangesToApply(*localList, *sharedList, base ? &base->records : nullptr, env.dateFormat);
  if (!changes) {
    return StepFailed(changes.error());
  }
  show(*changes);
  return StepResult::Ok();
}

}  // namespace

bool DryRunSync(const SyncSettings& settings, SyncEnvironment& env,
                const std::function<void(const ChangeList&)>& show) {
  // Nothing is logged: the log is one of the files a dry run leaves alone.
  ActivityReporter activity(env.display, false, env.yield, env.monotonicNow);
  if (const auto checked = CheckSettings(settings); !checked) {
    ReportFailure(activity, RunFailure{checked.error().error});
    return false;
  }
  if (const StepResult found = FindChanges(settings, env, activity, show); !found) {
    ReportFailure(activity, found.error());
    return false;
  }
  return true;
}

}  // namespace kestrin
