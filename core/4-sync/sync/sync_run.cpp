#include "sync/sync_run.h"

#include <filesystem>
#include <thread>
#include <utility>

#include "favorites/data_file.h"
#include "favorites/favorites_path.h"
#include "formats/ini_file.h"
#include "platform/atomic_file.h"
#include "platform/native_path.h"
#include "platform/program_folder.h"
#include "platform/whole_file.h"
#include "settings/program_files.h"
#include "sync/activity.h"
#include "sync/agreed_list.h"
#include "sync/change_detection.h"
#include "sync/deletion_guard.h"
#include "sync/restore_favorites.h"
#include "sync/restore_point.h"
#include "sync/run_steps.h"
#include "sync/sealed_generation.h"
#include "sync/server_lock.h"
#include "sync/shared_folder_state.h"
#include "sync/strong_tags.h"
#include "sync/unapplied_changes.h"

namespace kestrin {
namespace {

void RemoveIfPresent(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(NativePath(path), ignored);
}

// Tries of the exchange when another computer publishes first each time.
constexpr int kPublishAttempts = 3;

class Run {
 public:
  Run(const SyncSettings& settings, SyncEnvironment& env)
      : settings_(settings),
        env_(env),
        activity_(env.display, settings.LogActivity == 1, env.yield, env.monotonicNow),
        localData_(env.workFolder + "local.dat"),
        localIndicator_(env.workFolder + "local.ind"),
        tempData_(env.workFolder + "temp.dat"),
        unappliedChanges_(env.workFolder + kUnappliedChangesName),
        restoreFolder_(RestoreFolderOf(env.workFolder)),
        form_(SharedListFormOf(settings)),
        stateFolder_(SharedFolderStateOf(env.workFolder, settings)),
        agreedList_(AgreedListPath(stateFolder_, form_.encodedFields)),
        remoteData_(form_.name),
        strongTags_(activity_),
        lock_{settings.Name,    localIndicator_, env.decimalSeparator, env.idle,
              env.monotonicNow, activity_,       strongTags_} {}

  bool Execute() {
    env_.display.ClearActivityPane();
    Report(env_.programName + " started at " + Now(), StatusImage::Working);
    env_.display.ShowRunState(true);

    if (const auto checked = CheckSettings(settings_); !checked) {
      Refuse(checked.error());
    } else if (const StepResult exchanged = Exchange(); !exchanged) {
      Fail(exchanged.error());
    } else {
      // A change that could not be carried out was reported on its own "Error: " line.
      const bool withErrors = activity_.reportedError();
      const StatusImage ending = withErrors ? StatusImage::Error : StatusImage::Ready;
      const std::string finished = Now();
      Report(env_.programName + " ended at " + finished, ending);
      ShowEnd(ending, std::string(kApplicationTitle) + " (Last Sync: " + finished +
                          (withErrors ? ", with errors)" : ")"));
      // The run is over and reported: a time that cannot be kept is no reason to fail it.
      static_cast<void>(
          WriteIniString(env_.settingsPath, kSettingsSection, kLastSyncKey, finished));
    }

    if (settings_.LogActivity == 1) {
      // Nor is a log that cannot be written: the lines were shown.
      static_cast<void>(
          WriteActivityLog(env_.logPath, settings_.LogPurge, activity_.PendingLogText()));
    }
    activity_.ClearPendingLogText();
    env_.display.ShowRunState(false);
    if (env_.reportChanges && (summary_.removed || summary_.changed || summary_.added)) {
      env_.reportChanges(summary_);
    }
    return !activity_.reportedError();
  }

 private:
  // Everything from the first snapshot to the closed connection.
  StepResult Exchange() {
    if (env_.favoritesRoot.empty()) {
      return StepFailed("Unable to Find the Favorites Folder");
    }
    if (StepResult written = WriteLocalDataFile(); !written) {
      return written;
    }
    RemoveIfPresent(tempData_);

    if (StepResult connected = ConnectToServer(settings_, env_, activity_, client_); !connected) {
      return connected;
    }
    if (StepResult entered = EnterRemoteDirectory(settings_, *client_, activity_); !entered) {
      return entered;
    }
    for (int attempt = 1;; ++attempt) {
      if (StepResult locked = AcquireIndicator(*client_, lock_, storedLock_); !locked) {
        return locked;
      }
      raceLost_ = false;
      StepResult exchanged = ExchangeDataFiles();
      if (exchanged) {
        break;
      }
      if (!raceLost_ || attempt == kPublishAttempts) {
        return exchanged;
      }
      // Two computers that started together: the one that published first stands, and this
      // one merges its changes again with what was published, instead of failing the run.
      Report("-> Another Computer Synchronized Meanwhile, Merging Again..", StatusImage::Working);
      MergeNextWith(downloaded_);
    }

    Report("-> Deleting Remote Indicator File..", StatusImage::Working);
    // From here on a failed run has no lock of its own to release.
    const StoredIndicator stored = std::exchange(storedLock_, {});
    if (StepResult released = ReleaseIndicator(*client_, lock_, stored); !released) {
      return released;
    }
    Disconnect();
    for (const std::string& file : {localData_, form_.ServerCopyOf(localData_), localIndicator_,
                                    tempData_, form_.ServerCopyOf(tempData_)}) {
      RemoveIfPresent(file);
    }
    return StepResult::Ok();
  }

  StepResult ExchangeDataFiles() {
    // Only this run's download is the shared list: an old "temp.dat" that could not be
    // deleted must not stand in for it.
    if (StepResult fetched =
            DownloadSharedList(*client_, form_, tempData_, activity_, downloaded_, sealLabel_);
        !fetched) {
      return fetched;
    }
    listTag_ = StrongETagOf(*client_, remoteData_);
    if (StepResult checked = CheckSealedGeneration(); !checked) {
      return checked;
    }
    RecordList unapplied;
    agreedSource_ = localData_;
    if (downloaded_) {
      Report("-> Updating Favorites..", StatusImage::Working);
      const std::function<const RecordList*()> base = [this] { return Base(); };
      const UpdateContext context{
          form_.encodedFields,
          settings_.ConfirmChanges == 1,
          settings_.ConfirmMassDeletion == 1,
          env_.keepLocal || RestoreAwaitsUpload(restoreFolder_),
          ReadIniString(env_.settingsPath, kSettingsSection, kLastSyncKey).empty(),
          env_.confirm,
          env_.keepOnFirstJoin,
          base,
          env_.dateFormat,
          env_.favoritesRoot,
          unappliedChanges_,
          restoreFolder_,
          stateFolder_ + kDeletionGuardName,
          env_.localNow(),
          activity_,
          local_.header.ComputerName,
          local_.shortcuts};
      auto update = UpdateFavorites(localData_, tempData_, context);
      if (!update) {
        return StepResult::Fail(update.error());
      }
      switch (update->outcome) {
        case ChangeOutcome::Applied:
          summary_ = update->summary;
          if (StepResult written = WriteLocalDataFile(); !written) {
            return written;
          }
          AgreeOnWhatIsHere(update->unapplied);
          if (const Result<> held = HoldSharedVersionOf(update->unapplied, localData_, tempData_,
                                                        form_.encodedFields);
              !held) {
            return StepFailed("Unable to Create Local Data File..", held.error());
          }
          break;
        case ChangeOutcome::Unchanged:
          break;
        case ChangeOutcome::NothingApplied:
          return StepResult::Ok();
      }
      unapplied = std::move(update->unapplied);
    }
    if (StepResult uploaded = UploadLocalDataFile(); !uploaded) {
      return uploaded;
    }
    if (StepResult kept = RememberGeneration(publishedGeneration_); !kept) {
      return kept;
    }
    // What a restore put back is on the server now: the runs after this one need not keep it.
    ForgetRestoreAwaitingUpload(restoreFolder_);
    // Only what was uploaded is kept: the next run tries it again if its list is still this one.
    if (const Result<> kept = KeepUnappliedChanges(unappliedChanges_, local_.header, unapplied);
        !kept) {
      return StepFailed("Unable to Create Unapplied Changes File..", kept.error());
    }
    return StepResult::Ok();
  }

  // A sealed list older than the newest this computer has seen, or none where one was seen,
  // is refused before anything is applied; one taken is remembered.
  StepResult CheckSealedGeneration() {
    const auto found = downloaded_ ? std::optional(sealLabel_) : std::nullopt;
    if (StepResult checked =
            CheckSealedListFound(env_.workFolder, settings_, found, env_.keepLocal, generations_);
        !checked) {
      return checked;
    }
    publishedGeneration_ = NextGeneration(generations_, found);
    return found ? RememberGeneration(found->generation) : StepResult::Ok();
  }

  StepResult RememberGeneration(std::uint64_t generation) {
    if (!form_.sealed()) {
      return StepResult::Ok();
    }
    if (const Result<> kept = RememberSealedGeneration(generations_, generation); !kept) {
      return StepFailed("Unable to Remember the Shared List's Generation..", kept.error());
    }
    return StepResult::Ok();
  }

  StepResult WriteLocalDataFile() {
    return WriteSnapshot(localData_, settings_, env_, activity_, local_, ScanCacheUse::Keep);
  }

  // The shared list is replaced in one step: an interrupted transfer leaves only a stray
  // temporary file, never a truncated list that other computers would take for the truth.
  // At every moment the server holds a whole list, the old one or the new one.
  StepResult UploadLocalDataFile() {
    Report("-> Uploading Local Data File..", StatusImage::Working);
    const Result<std::string> copy = MakeServerCopy(form_, localData_, publishedGeneration_);
    if (!copy) {
      return StepFailed("Unable to Create Local Data File..", copy.error());
    }
    published_ = *copy;
    const std::string temporary = TemporaryRemoteName(remoteData_, settings_.Name);
    if (const Result<> uploaded = client_->Upload(published_, temporary); !uploaded) {
      return Abandon(temporary, uploaded.error());
    }
    if (StepResult checked = CheckNothingPublishedMeanwhile(temporary); !checked) {
      return checked;
    }
    StepResult published = Publish(temporary);
    if (published) {
      // Not knowing what was agreed costs the next run its three-way merge, not data.
      if (agreedSource_.empty() || !KeepAgreedList(agreedSource_, agreedList_)) {
        RemoveIfPresent(agreedList_);
      }
    }
    return published;
  }

  // The upload carries the shared list's version of what could not be carried out here, but
  // what this computer agrees on is what it holds: so the next merge still sees those changes
  // as made elsewhere, and carries them out once it can.
  void AgreeOnWhatIsHere(const RecordList& unapplied) {
    if (unapplied.empty()) {
      return;
    }
    const auto here = ReadOrdinaryFile(localData_, kMaxDataFileBytes);
    agreedSource_ = env_.workFolder + "agreed.new";
    if (!here || !WriteFileAtomically(agreedSource_, *here, 0600)) {
      agreedSource_.clear();
    }
  }

  // Renames the uploaded copy over the shared list, by whatever way the server allows.
  StepResult Publish(const std::string& temporary) {
    if (ConditionalStore* store =
            downloaded_ ? strongTags_.StoreFor(*client_, listTag_) : client_->conditionalStore()) {
      return MoveIntoPlace(*store, temporary);
    }
    Result<void, RenameFailure> renamed = client_->Rename(temporary, remoteData_);
    if (!renamed && renamed.error().refused == RenameRefusal::None) {
      // The server may have renamed and the reply been lost; then the shared list in place
      // may be the new one, and deleting it would leave none at all.
      if (!IsPresent(client_->Probe(temporary))) {
        return UploadFailure(renamed.error().reason);
      }
      // A lost connection is mended by the client's next login.
      renamed = client_->Rename(temporary, remoteData_);
    }
    if (renamed) {
      return StepResult::Ok();
    }
    switch (renamed.error().refused) {
      case RenameRefusal::Source:
        return StoreInPlace(temporary);
      case RenameRefusal::Target:
        return ReplaceExisting(temporary, renamed.error().reason);
      case RenameRefusal::None:
        break;
    }
    return Abandon(temporary, renamed.error().reason);
  }

  // Moves the copy over the shared list only while that is still the list this run downloaded,
  // or while there is none where it downloaded none.
  StepResult MoveIntoPlace(ConditionalStore& store, const std::string& temporary) {
    const Result<Precondition> moved =
        store.MoveIfTargetUnchanged(temporary, remoteData_, downloaded_ ? listTag_ : "");
    // A move done whose reply was lost, and that libcurl sent again, finds its own list in
    // place: refused for it, or for its source gone.
    if ((moved && *moved == Precondition::Held) || IsPublished()) {
      return StepResult::Ok();
    }
    if (!moved) {
      return IsPresent(client_->Probe(temporary)) ? Abandon(temporary, moved.error())
                                                  : UploadFailure(moved.error());
    }
    raceLost_ = true;
    return Abandon(temporary, "another computer has changed the shared list during this run");
  }

  bool IsPublished() {
    const Result<std::string> shared = client_->Read(remoteData_);
    return shared && *shared == ReadWholeFile(published_);
  }

  // Gives up while the old list is still whole on the server: the temporary copy goes.
  StepResult Abandon(const std::string& temporary, const std::string& reason) {
    DeleteTemporary(temporary);
    return UploadFailure(reason);
  }

  // A copy that cannot be deleted now is replaced and renamed by this computer's next upload.
  void DeleteTemporary(const std::string& temporary) {
    static_cast<void>(client_->Delete(temporary));
  }

  // A server that does not rename gets the list stored in place, its stored size checked.
  // Until that is done the temporary copy is the one whole new list, so it goes only then.
  StepResult StoreInPlace(const std::string& temporary) {
    Report("-> Server Cannot Rename, Replacing Remote Data File..", StatusImage::Working);
    if (const Result<> stored = client_->Upload(published_, remoteData_); !stored) {
      return UploadFailure(stored.error());
    }
    DeleteTemporary(temporary);
    return StepResult::Ok();
  }

  // Some servers refuse to rename over an existing file. The old list may go since the
  // temporary copy is known whole (its stored size was checked); from then on that copy is
  // the one whole list, so it stays whatever happens.
  StepResult ReplaceExisting(const std::string& temporary, const std::string& refusal) {
    if (!IsPresent(client_->Probe(remoteData_))) {
      return Abandon(temporary, refusal);
    }
    if (const Result<> deleted = client_->Delete(remoteData_); !deleted) {
      return UploadFailure(deleted.error());
    }
    if (const auto renamed = client_->Rename(temporary, remoteData_); !renamed) {
      return UploadFailure(renamed.error().reason);
    }
    return StepResult::Ok();
  }

  static StepResult UploadFailure(const std::string& reason) {
    return StepFailed("Unable to Upload Remote Data File..", reason);
  }

  // Two computers can both believe they hold the lock (two that stored theirs at the same
  // moment, or one that outwaited a slow run). The shared list is replaced only while this
  // run still holds the lock and the list is still the one it merged with: otherwise
  // another computer's changes would be lost without a word.
  StepResult CheckNothingPublishedMeanwhile(const std::string& temporary) {
    Report("-> Verifying Remote Data File..", StatusImage::Working);
    raceLost_ = true;
    if (!SharedListUnchanged()) {
      return Abandon(temporary, "another computer has changed the shared list during this run");
    }
    // The lock last, as near to the publication as can be: two computers that both believe
    // they hold it cannot then both pass.
    if (!HoldsIndicator(*client_, lock_)) {
      return Abandon(temporary, "another computer has taken the lock");
    }
    storedLock_.heldAtPublication = true;
    raceLost_ = false;
    return StepResult::Ok();
  }

  // Read when a merge first needs it: a run that finds its own upload on the server needs
  // none, and the list is as large as the shared one.
  const RecordList* Base() {
    if (!base_) {
      base_ = ReadAgreedList(agreedList_, form_.encodedFields);
    }
    return *base_ ? &(*base_)->records : nullptr;
  }

  // After a lost race the folder holds this run's merge with the list it downloaded (or
  // with none), so that list is what the next merge starts from.
  void MergeNextWith(bool downloaded) {
    if (!downloaded) {
      base_.emplace(FavoritesDataFile{});
      return;
    }
    auto merged = ReadFavoritesDataFile(tempData_, form_.encodedFields);
    base_.emplace(merged ? std::optional<FavoritesDataFile>(std::move(*merged)) : std::nullopt);
  }

  // Whether the server still holds the shared list this run downloaded, or still none.
  bool SharedListUnchanged() {
    if (downloaded_) {
      const std::string downloaded = ReadWholeFile(form_.ServerCopyOf(tempData_));
      // A connection lost just now is mended by the client's next login.
      Result<bool> held = client_->Holds(remoteData_, downloaded);
      if (!held) {
        held = client_->Holds(remoteData_, downloaded);
      }
      return held && *held;
    }
    const Result<RemoteFile> presence = client_->Probe(remoteData_);
    return presence && *presence == RemoteFile::Absent;
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
    if (storedLock_.mayBeStored && client_) {
      // A lock that stays behind names this computer, whose next run takes it at once.
      static_cast<void>(ReleaseIndicator(*client_, lock_, storedLock_));
    }
    Disconnect();
    ReportFailure(activity_, failure);
    Report(env_.programName + " ended at " + Now(), StatusImage::Error);
    ShowEnd(StatusImage::Error, std::string(kApplicationTitle) + " (Error:" + failure.text + ")");
  }

  void ShowEnd(StatusImage image, const std::string& text) {
    env_.display.SetTrayState(image, text);
    env_.display.SetStatusText(text);
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
  const std::string restoreFolder_;
  RunSummary summary_;     // of the changes this run made to the Favorites folder
  SnapshotWritten local_;  // of the local data file as last written
  const SharedListForm form_;
  const std::string stateFolder_;  // what this computer remembers of the shared folder
  const std::string agreedList_;
  std::string agreedSource_;  // the data file that becomes the agreed list once published
  // What the merge takes as last agreed (none: no agreed list), once it was asked for.
  std::optional<std::optional<FavoritesDataFile>> base_;
  const std::string remoteData_;
  std::string published_;                  // the server copy of "local.dat" being uploaded
  SealLabel sealLabel_;                    // of the sealed list downloaded
  SealedGenerations generations_;          // of the shared folder's sealed lists
  std::uint64_t publishedGeneration_ = 0;  // sealed into this run's upload
  StrongTags strongTags_;
  const IndicatorContext lock_;
  std::unique_ptr<FtpClient> client_;
  StoredIndicator storedLock_;
  bool downloaded_ = false;  // "temp.dat" is this run's download of the shared list
  std::string listTag_;      // the strong tag of the list downloaded; empty: none
  bool raceLost_ = false;    // another computer published or took the lock during the exchange
};

}  // namespace

SyncEnvironment StandardEnvironment(RunDisplay& display, const std::string& settingsPath) {
  SyncEnvironment env{display};
  env.yield = [] {};
  env.idle = [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); };
  env.monotonicNow = [] { return std::chrono::steady_clock::now(); };
  env.localNow = [] { return LocalNow(); };
  env.systemNow = [] { return std::chrono::system_clock::now(); };
  env.makeFtpClient = [](std::function<void()> yield) {
    return MakeCurlFtpClient(std::move(yield));
  };
  if (const std::string home = HomeFolder(); !home.empty()) {
    env.ftpOptions.sshKeyFolder = home + ".ssh/";
  }
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
