#include "sync/sync_run.h"

#include <filesystem>
#include <thread>

#include "favorites/favorites_path.h"
#include "formats/ini_file.h"
#include "platform/program_folder.h"
#include "platform/whole_file.h"
#include "settings/program_files.h"
#include "sync/activity.h"
#include "sync/change_detection.h"
#include "sync/restore_point.h"
#include "sync/run_steps.h"
#include "sync/server_lock.h"
#include "sync/unapplied_changes.h"

namespace kestrin {
namespace {

void RemoveIfPresent(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

// The upload's temporary file, one per computer (its name in hexadecimal, so that any name
// makes a plain file name): no two computers write the same one, and a file left behind by
// a connection lost before the rename is replaced and renamed by the computer's next run.
std::string TemporaryRemoteName(const std::string& remoteName, const std::string& computerName) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string name = remoteName + ".upload-";
  for (unsigned char c : computerName) {
    name += kHex[c >> 4];
    name += kHex[c & 0xf];
  }
  return name;
}

class Run {
 public:
  Run(const SyncSettings& settings, SyncEnvironment& env)
      : settings_(settings),
        env_(env),
        activity_(*env.display, settings.LogActivity == 1),
        localData_(env.workFolder + "local.dat"),
        localIndicator_(env.workFolder + "local.ind"),
        tempData_(env.workFolder + "temp.dat"),
        unappliedChanges_(env.workFolder + kUnappliedChangesName),
        remoteData_(SharedListName(settings)),
        lock_{settings.Name, localIndicator_,  env.decimalSeparator,
              env.idle,      env.monotonicNow, &activity_} {}

  bool Execute() {
    env_.display->ClearActivityPane();
    Report(env_.programName + " started at " + Now(), StatusImage::Working);
    env_.display->ShowRunState(true);

    if (const auto refusal = RefuseSettings(settings_)) {
      Refuse(*refusal);
    } else if (const StepFailure failure = Exchange()) {
      Fail(*failure);
    } else {
      // A change that could not be carried out was reported on its own "Error: " line.
      const bool withErrors = activity_.reportedError();
      const StatusImage ending = withErrors ? StatusImage::Error : StatusImage::Ready;
      const std::string finished = Now();
      Report(env_.programName + " ended at " + finished, ending);
      ShowEnd(ending, std::string(kApplicationTitle) + " (Last Sync: " + finished +
                          (withErrors ? ", with errors)" : ")"));
      WriteIniString(env_.settingsPath, kSettingsSection, kLastSyncKey, finished);
    }

    if (settings_.LogActivity == 1) {
      WriteActivityLog(env_.logPath, settings_.LogPurge, activity_.PendingLogText());
    }
    activity_.ClearPendingLogText();
    env_.display->ShowRunState(false);
    return !activity_.reportedError();
  }

 private:
  // Everything from the first snapshot to the closed connection.
  StepFailure Exchange() {
    if (env_.favoritesRoot.empty()) {
      return RunFailure{"Unable to Find the Favorites Folder"};
    }
    if (const StepFailure failure = WriteLocalDataFile()) {
      return failure;
    }
    RemoveIfPresent(tempData_);

    if (const StepFailure failure = ConnectToServer(settings_, env_, activity_, client_)) {
      return failure;
    }
    if (const StepFailure failure = EnterRemoteDirectory(settings_, *client_, activity_)) {
      return failure;
    }
    if (const StepFailure failure = AcquireIndicator(*client_, lock_, lockStored_)) {
      return failure;
    }
    if (const StepFailure failure = ExchangeDataFiles()) {
      return failure;
    }

    Report("-> Deleting Remote Indicator File..", StatusImage::Working);
    lockStored_ = false;
    if (const StepFailure failure = ReleaseIndicator(*client_, lock_)) {
      return failure;
    }
    Disconnect();
    RemoveIfPresent(localData_);
    RemoveIfPresent(localIndicator_);
    RemoveIfPresent(tempData_);
    return std::nullopt;
  }

  StepFailure ExchangeDataFiles() {
    // Only this run's download is the shared list: an old "temp.dat" that could not be
    // deleted must not stand in for it.
    if (const StepFailure failure =
            DownloadSharedList(*client_, remoteData_, tempData_, activity_, downloaded_)) {
      return failure;
    }
    RecordList unapplied;
    if (downloaded_) {
      Report("-> Updating Favorites..", StatusImage::Working);
      const UpdateContext context{settings_.UseEncryption == 1,
                                  settings_.ConfirmChanges == 1,
                                  &env_.confirm,
                                  env_.dateFormat,
                                  env_.favoritesRoot,
                                  unappliedChanges_,
                                  RestoreFolderOf(env_.workFolder),
                                  env_.localNow(),
                                  &activity_};
      auto update = UpdateFavorites(localData_, tempData_, context);
      if (!update) {
        return RunFailureOf(update.error());
      }
      switch (update->outcome) {
        case ChangeOutcome::Applied:
          if (const StepFailure failure = WriteLocalDataFile()) {
            return failure;
          }
          if (!HoldSharedVersionOf(update->unapplied, localData_, tempData_,
                                   settings_.UseEncryption == 1)) {
            return RunFailure{"Unable to Create Local Data File..", "cannot write " + localData_};
          }
          break;
        case ChangeOutcome::Unchanged:
          break;
        case ChangeOutcome::NothingApplied:
          return std::nullopt;
      }
      unapplied = std::move(update->unapplied);
    }
    if (const StepFailure failure = UploadLocalDataFile()) {
      return failure;
    }
    // Only what was uploaded is kept: the next run tries it again if its list is still this one.
    if (!KeepUnappliedChanges(unappliedChanges_, localHeader_, unapplied)) {
      return RunFailure{"Unable to Create Unapplied Changes File..",
                        "cannot write " + unappliedChanges_};
    }
    return std::nullopt;
  }

  StepFailure WriteLocalDataFile() {
    return WriteSnapshot(localData_, settings_, env_, activity_, localHeader_);
  }

  // The shared list is replaced in one step: an interrupted transfer leaves only a stray
  // temporary file, never a truncated list that other computers would take for the truth.
  // At every moment the server holds a whole list, the old one or the new one.
  StepFailure UploadLocalDataFile() {
    Report("-> Uploading Local Data File..", StatusImage::Working);
    const std::string temporary = TemporaryRemoteName(remoteData_, settings_.Name);
    if (!client_->Upload(localData_, temporary)) {
      return Abandon(temporary, UploadFailure());
    }
    if (StepFailure failure = CheckNothingPublishedMeanwhile(temporary)) {
      return failure;
    }
    RenameResult renamed = client_->Rename(temporary, remoteData_);
    if (renamed == RenameResult::Failed) {
      // The server may have renamed and the reply been lost; then the shared list in place
      // may be the new one, and deleting it would leave none at all.
      const RunFailure failure = UploadFailure();
      if (client_->Probe(temporary) != RemoteFile::Present) {
        return failure;
      }
      // A lost connection is mended by the client's next login.
      renamed = client_->Rename(temporary, remoteData_);
    }
    switch (renamed) {
      case RenameResult::Renamed:
        return std::nullopt;
      case RenameResult::SourceRefused:
        return StoreInPlace(temporary);
      case RenameResult::TargetRefused:
        return ReplaceExisting(temporary);
      case RenameResult::Failed:
        break;
    }
    return Abandon(temporary, UploadFailure());
  }

  // Gives up while the old list is still whole on the server: the temporary copy goes.
  RunFailure Abandon(const std::string& temporary, const RunFailure& failure) {
    client_->Delete(temporary);
    return failure;
  }

  // A server that does not rename gets the list stored in place, its stored size checked.
  // Until that is done the temporary copy is the one whole new list, so it goes only then.
  StepFailure StoreInPlace(const std::string& temporary) {
    Report("-> Server Cannot Rename, Replacing Remote Data File..", StatusImage::Working);
    if (!client_->Upload(localData_, remoteData_)) {
      return UploadFailure();
    }
    client_->Delete(temporary);
    return std::nullopt;
  }

  // Some servers refuse to rename over an existing file. The old list may go since the
  // temporary copy is known whole (its stored size was checked); from then on that copy is
  // the one whole list, so it stays whatever happens.
  StepFailure ReplaceExisting(const std::string& temporary) {
    const RunFailure refused = UploadFailure();
    if (client_->Probe(remoteData_) != RemoteFile::Present) {
      return Abandon(temporary, refused);
    }
    if (!client_->Delete(remoteData_) ||
        client_->Rename(temporary, remoteData_) != RenameResult::Renamed) {
      return UploadFailure();
    }
    return std::nullopt;
  }

  RunFailure UploadFailure() const {
    return ClientFailure(*client_, "Unable to Upload Remote Data File..");
  }

  // Two computers can both believe they hold the lock (two that stored theirs at the same
  // moment, or one that outwaited a slow run). The shared list is replaced only while this
  // run still holds the lock and the list is still the one it merged with: otherwise
  // another computer's changes would be lost without a word.
  StepFailure CheckNothingPublishedMeanwhile(const std::string& temporary) {
    Report("-> Verifying Remote Data File..", StatusImage::Working);
    std::string reason;
    if (!HoldsIndicator(*client_, lock_)) {
      reason = "another computer has taken the lock";
    } else if (downloaded_ ? client_->Read(remoteData_) != ReadWholeFile(tempData_)
                           : client_->Probe(remoteData_) != RemoteFile::Absent) {
      reason = "another computer has changed the shared list during this run";
    } else {
      return std::nullopt;
    }
    return Abandon(temporary, RunFailure{"Unable to Upload Remote Data File..", reason});
  }

  void Disconnect() {
    Report("-> Closing Internet Connection..", StatusImage::Working);
    if (client_) {
      client_->Close();
      client_.reset();
    }
  }

  // Ends a run whose settings cannot be used, before anything is written or sent.
  void Refuse(const SettingsRefusal& refusal) {
    Report("Error: " + refusal.error, StatusImage::Error);
    Report(env_.programName + " ended at " + Now(), StatusImage::Error);
    ShowEnd(StatusImage::Error,
            std::string(kApplicationTitle) + " (Error: " + refusal.status + ")");
  }

  void Fail(const RunFailure& failure) {
    if (lockStored_ && client_) {
      ReleaseIndicator(*client_, lock_);
    }
    Disconnect();
    ReportFailure(activity_, failure);
    Report(env_.programName + " ended at " + Now(), StatusImage::Error);
    ShowEnd(StatusImage::Error, std::string(kApplicationTitle) + " (Error:" + failure.text + ")");
  }

  void ShowEnd(StatusImage image, const std::string& text) {
    env_.display->SetTrayState(image, text);
    env_.display->SetStatusText(text);
  }

  void Report(const std::string& text, StatusImage image) { activity_.ReportActivity(text, image); }

  std::string Now() const { return FormatGeneralDate(env_.localNow(), env_.dateFormat); }

  const SyncSettings& settings_;
  SyncEnvironment& env_;
  ActivityReporter activity_;
  const std::string localData_;
  const std::string localIndicator_;
  const std::string tempData_;
  const std::string unappliedChanges_;
  DataFileHeader localHeader_;  // of the local data file as last written
  const std::string remoteData_;
  const IndicatorContext lock_;
  std::unique_ptr<FtpClient> client_;
  bool lockStored_ = false;  // this run's "favs.ind" may be on the server
  bool downloaded_ = false;  // "temp.dat" is this run's download of the shared list
};

}  // namespace

SyncEnvironment StandardEnvironment(RunDisplay& display, const std::string& settingsPath) {
  SyncEnvironment env;
  env.display = &display;
  env.yield = [] {};
  env.idle = [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); };
  env.monotonicNow = [] { return std::chrono::steady_clock::now(); };
  env.localNow = [] { return LocalNow(); };
  env.makeFtpClient = [](std::function<void()> yield) {
    return MakeCurlFtpClient(std::move(yield));
  };
  env.dateFormat = EnUsGeneralDateFormat();
  env.programName = kProgramName;
  env.favoritesRoot = GetFavoritesFolder();
  const ProgramFiles files = ProgramFilesFor(settingsPath);
  env.workFolder = files.workFolder;
  env.settingsPath = settingsPath;
  env.logPath = files.logPath;
  return env;
}

bool RunSync(const SyncSettings& settings, SyncEnvironment& env) {
  return Run(settings, env).Execute();
}

}  // namespace kestrin
