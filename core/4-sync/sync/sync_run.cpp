#include "sync/sync_run.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <thread>

#include "favorites/data_file.h"
#include "favorites/favorites_path.h"
#include "favorites/scanner.h"
#include "platform/private_file.h"
#include "platform/program_folder.h"
#include "formats/ini_file.h"
#include "platform/whole_file.h"
#include "sync/activity.h"
#include "sync/change_detection.h"
#include "sync/server_lock.h"
#include "sync/unapplied_changes.h"

namespace kestrin {
namespace {

constexpr char kRemoteDataName[] = "favs.dat";

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

void RemoveIfPresent(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

// Fails when a required field is empty, naming those that are: "Computer Name, Server".
Result<> CheckRequiredFields(const SyncSettings& settings) {
  std::string list;
  const std::pair<const std::string*, const char*> fields[] = {{&settings.Name, "Computer Name, "},
                                                               {&settings.Server, "Server, "},
                                                               {&settings.Username, "Username, "},
                                                               {&settings.Password, "Password, "},
                                                               {&settings.Port, "Port Number, "}};
  for (const auto& [value, label] : fields) {
    if (value->empty()) {
      list += label;
    }
  }
  if (list.empty()) {
    return Result<>::Ok();
  }
  return Result<>::Fail(list.substr(0, list.size() - 2));
}

std::optional<int> PortNumber(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  if (first == std::string::npos) {
    return std::nullopt;
  }
  int port = 0;
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  const auto [stop, error] = std::from_chars(begin, end, port);
  if (error != std::errc() || stop != end || port < 1 || port > 65535) {
    return std::nullopt;
  }
  return port;
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
        activity_(env.display, settings.LogActivity == 1),
        localData_(env.workFolder + "local.dat"),
        localIndicator_(env.workFolder + "local.ind"),
        tempData_(env.workFolder + "temp.dat"),
        unappliedChanges_(env.workFolder + kUnappliedChangesName),
        remoteData_(settings.UseEncryption == 1 ? std::string(kRemoteDataName) + ".enc"
                                                : kRemoteDataName),
        lock_{settings.Name, localIndicator_,  env.decimalSeparator,
              env.idle,      env.monotonicNow, activity_} {}

  bool Execute() {
    env_.display.ClearActivityPane();
    Report(env_.programName + " started at " + Now(), StatusImage::Working);
    env_.display.ShowRunState(true);

    if (const Result<> filled = CheckRequiredFields(settings_); !filled) {
      Refuse(filled.error(), "Missing " + filled.error());
    } else if (const Result<> name = CheckComputerName(settings_.Name); !name) {
      // A name the header line cannot carry would read back as another computer's, or make
      // every computer refuse the shared list.
      const std::string refusal = "Unable to Use Computer Name: " + name.error();
      Refuse(refusal, refusal);
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

    Report("-> Establishing Internet Connection..", StatusImage::Working);
    client_ = env_.makeFtpClient ? env_.makeFtpClient(env_.yield) : nullptr;
    if (!client_) {
      return StepFailed("Unable to Establish Internet Connection");
    }
    Report("-> Connecting to " + settings_.Server + "..", StatusImage::Working);
    if (StepResult connected = Connect(); !connected) {
      return connected;
    }
    if (!settings_.RemoteDir.empty()) {
      Report("-> Setting Remote Directory..", StatusImage::Working);
      if (const Result<> entered = client_->SetCurrentDirectory(settings_.RemoteDir); !entered) {
        return StepFailed("Unable to Set Remote Directory..", entered.error());
      }
    }
    if (StepResult locked = AcquireIndicator(*client_, lock_, lockStored_); !locked) {
      return locked;
    }
    if (StepResult exchanged = ExchangeDataFiles(); !exchanged) {
      return exchanged;
    }

    Report("-> Deleting Remote Indicator File..", StatusImage::Working);
    lockStored_ = false;
    if (StepResult released = ReleaseIndicator(*client_, lock_); !released) {
      return released;
    }
    Disconnect();
    RemoveIfPresent(localData_);
    RemoveIfPresent(localIndicator_);
    RemoveIfPresent(tempData_);
    return StepResult::Ok();
  }

  StepResult ExchangeDataFiles() {
    Report("-> Checking for Remote Data File..", StatusImage::Working);
    // Only this run's download is the shared list: an old "temp.dat" that could not be
    // deleted must not stand in for it.
    downloaded_ = false;
    const Result<RemoteFile> presence = client_->Probe(remoteData_);
    if (!presence) {
      // Taken for absence, a failed check would make this computer's list the shared
      // one and so delete everything the others added.
      return StepFailed("Unable to Download Remote Data File..", presence.error());
    }
    if (*presence == RemoteFile::Present) {
      Report("-> Downloading Remote Data File..", StatusImage::Working);
      if (const Result<> downloaded = client_->Download(remoteData_, tempData_); !downloaded) {
        return StepFailed("Unable to Download Remote Data File..", downloaded.error());
      }
      downloaded_ = true;
    }
    RecordList unapplied;
    if (downloaded_) {
      Report("-> Updating Favorites..", StatusImage::Working);
      const UpdateContext context{settings_.UseEncryption == 1,
                                  settings_.ConfirmChanges == 1,
                                  env_.confirm,
                                  env_.dateFormat,
                                  env_.favoritesRoot,
                                  unappliedChanges_,
                                  activity_};
      auto update = UpdateFavorites(localData_, tempData_, context);
      if (!update) {
        return StepFailed(update.error());
      }
      switch (update->outcome) {
        case ChangeOutcome::Applied:
          if (StepResult written = WriteLocalDataFile(); !written) {
            return written;
          }
          if (const Result<> held = HoldSharedVersionOf(update->unapplied, localData_, tempData_,
                                                        settings_.UseEncryption == 1);
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
    // Only what was uploaded is kept: the next run tries it again if its list is still this one.
    if (const Result<> kept = KeepUnappliedChanges(unappliedChanges_, localHeader_, unapplied);
        !kept) {
      return StepFailed("Unable to Create Unapplied Changes File..", kept.error());
    }
    return StepResult::Ok();
  }

  StepResult WriteLocalDataFile() {
    const StepResult failure =
        StepFailed("Unable to Create Local Data File..", "cannot write " + localData_);
    Report("-> Creating Local Data File..", StatusImage::Working);
    RemoveIfPresent(localData_);
    // Private, and never a link planted in its place.
    if (!EmptyPrivateFile(localData_)) {
      return failure;
    }
    std::ofstream out(localData_, std::ios::binary | std::ios::trunc);
    if (!out) {
      return failure;
    }
    localHeader_ = {settings_.Name, FormatGeneralDate(env_.localNow(), env_.dateFormat)};
    WriteDataFileHeader(out, localHeader_);
    ScanOptions options{settings_.UseEncryption == 1, env_.dateFormat, env_.yield,
                        [this](const std::string& warning) {
                          Report("-> Skipping " + warning + "..", StatusImage::Working);
                        }};
    ScanFavoritesFolder(env_.favoritesRoot, out, options);
    out.close();
    if (!out) {
      return failure;
    }
    return StepResult::Ok();
  }

  // The shared list is replaced in one step: an interrupted transfer leaves only a stray
  // temporary file, never a truncated list that other computers would take for the truth.
  // At every moment the server holds a whole list, the old one or the new one.
  StepResult UploadLocalDataFile() {
    Report("-> Uploading Local Data File..", StatusImage::Working);
    const std::string temporary = TemporaryRemoteName(remoteData_, settings_.Name);
    if (const Result<> uploaded = client_->Upload(localData_, temporary); !uploaded) {
      return Abandon(temporary, uploaded.error());
    }
    if (StepResult checked = CheckNothingPublishedMeanwhile(temporary); !checked) {
      return checked;
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
    if (const Result<> stored = client_->Upload(localData_, remoteData_); !stored) {
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
    if (!HoldsIndicator(*client_, lock_)) {
      return Abandon(temporary, "another computer has taken the lock");
    }
    if (!SharedListUnchanged()) {
      return Abandon(temporary, "another computer has changed the shared list during this run");
    }
    return StepResult::Ok();
  }

  // Whether the server still holds the shared list this run downloaded, or still none.
  bool SharedListUnchanged() {
    if (downloaded_) {
      const Result<std::string> shared = client_->Read(remoteData_);
      return shared && *shared == ReadWholeFile(tempData_);
    }
    const Result<RemoteFile> presence = client_->Probe(remoteData_);
    return presence && *presence == RemoteFile::Absent;
  }

  StepResult Connect() {
    const std::string failure = "Unable to Connect to " + settings_.Server;
    const auto port = PortNumber(settings_.Port);
    if (!port) {
      Report("-> Port Number '" + settings_.Port + "' is not a port number..",
             StatusImage::Working);
      return StepFailed(failure);
    }
    FtpConnectOptions options = env_.ftpOptions;
    options.server = settings_.Server;
    options.port = *port;
    options.username = settings_.Username;
    options.password = settings_.Password;
    options.passive = settings_.Passive == 1;
    if (const Result<> connected = client_->Connect(options); !connected) {
      return StepFailed(failure, connected.error());
    }
    return StepResult::Ok();
  }

  void Disconnect() {
    Report("-> Closing Internet Connection..", StatusImage::Working);
    if (client_) {
      client_->Close();
      client_.reset();
    }
  }

  // Ends a run whose settings cannot be used, before anything is written or sent.
  void Refuse(const std::string& error, const std::string& status) {
    Report("Error: " + error, StatusImage::Error);
    Report(env_.programName + " ended at " + Now(), StatusImage::Error);
    ShowEnd(StatusImage::Error, std::string(kApplicationTitle) + " (Error: " + status + ")");
  }

  void Fail(const RunFailure& failure) {
    if (lockStored_ && client_) {
      // A lock that stays behind names this computer, whose next run takes it at once.
      static_cast<void>(ReleaseIndicator(*client_, lock_));
    }
    Disconnect();
    Report("Error: " + failure.text, StatusImage::Error);
    if (!failure.reason.empty()) {
      Report("  " + failure.reason, StatusImage::Error);
    }
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
  DataFileHeader localHeader_;  // of the local data file as last written
  const std::string remoteData_;
  const IndicatorContext lock_;
  std::unique_ptr<FtpClient> client_;
  bool lockStored_ = false;  // this run's "favs.ind" may be on the server
  bool downloaded_ = false;  // "temp.dat" is this run's download of the shared list
};

}  // namespace

SyncEnvironment StandardEnvironment(RunDisplay& display, const std::string& settingsPath) {
  SyncEnvironment env{display};
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
  env.workFolder = FolderOf(settingsPath);
  env.settingsPath = settingsPath;
  env.logPath = ActivityLogPath(settingsPath);
  return env;
}

bool RunSync(const SyncSettings& settings, SyncEnvironment& env) {
  return Run(settings, env).Execute();
}

}  // namespace kestrin
