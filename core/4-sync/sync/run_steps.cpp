#include "sync/run_steps.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <utility>

#include "favorites/data_file.h"
#include "favorites/scanner.h"
#include "formats/ini_file.h"
#include "platform/native_path.h"
#include "platform/private_file.h"

namespace kestrin {
namespace {

// Fails when a required field is empty, naming those that are: "Computer Name, Server". SFTP
// needs no password when the user's key logs in.
Result<> CheckRequiredFields(const SyncSettings& settings) {
  std::string list;
  const bool passwordNeeded = settings.Protocol != static_cast<int>(Protocol::Sftp);
  const std::pair<const std::string*, const char*> fields[] = {
      {&settings.Name, "Computer Name, "},
      {&settings.Server, "Server, "},
      {&settings.Username, "Username, "},
      {passwordNeeded ? &settings.Password : nullptr, "Password, "},
      {&settings.Port, "Port Number, "}};
  for (const auto& [value, label] : fields) {
    if (value != nullptr && value->empty()) {
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

void Report(ActivityReporter& activity, const std::string& text) {
  activity.ReportActivity(text, StatusImage::Working);
}

// A certificate the system trusts is kept by its key, renewed keys too: a later certificate
// the system does not trust is then a changed identity, which no answer to "trust this new
// server?" can accept.
StepResult KeepSystemTrustedKey(const std::string& presented, const std::string& stored,
                                const std::string& failure, const SyncEnvironment& env) {
  if (!IsSystemTrusted(presented) || presented == stored) {
    return StepResult::Ok();
  }
  if (const Result<> kept =
          WriteIniString(env.settingsPath, kSettingsSection, kServerFingerprintKey, presented);
      !kept) {
    return StepFailed(failure, kept.error());
  }
  return StepResult::Ok();
}

// Logs in, first asking the user about a server whose identity is new. A server whose
// identity changed is refused before anything of the login is sent.
StepResult LogIn(FtpClient& client, FtpConnectOptions& options, const SyncSettings& settings,
                 const SyncEnvironment& env) {
  const std::string failure = "Unable to Connect to " + settings.Server;
  Result<> connected = client.Connect(options);
  const std::string presented = client.PresentedFingerprint();
  const std::string& stored = options.serverFingerprint;
  if (!connected && !presented.empty() && presented != stored) {
    if (!stored.empty()) {
      return StepFailed(
          failure + ": the server's identity changed from " + stored + " to " + presented,
          "If the server's key was changed on purpose, remove " +
              std::string(kServerFingerprintKey) + " from " + env.settingsPath +
              " to trust the new one.");
    }
    if (!env.trustNewServer || !env.trustNewServer(settings.Server, presented)) {
      return StepFailed(failure + ": its identity " + presented + " was not trusted");
    }
    if (const Result<> kept =
            WriteIniString(env.settingsPath, kSettingsSection, kServerFingerprintKey, presented);
        !kept) {
      return StepFailed(failure, kept.error());
    }
    options.serverFingerprint = presented;
    connected = client.Connect(options);
  }
  if (!connected) {
    return StepFailed(failure, connected.error());
  }
  return KeepSystemTrustedKey(presented, stored, failure, env);
}

}  // namespace

Result<void, SettingsRefusal> CheckSettings(const SyncSettings& settings) {
  using R = Result<void, SettingsRefusal>;
  if (const Result<> filled = CheckRequiredFields(settings); !filled) {
    return R::Fail({filled.error(), "Missing " + filled.error()});
  }
  // A name the header line cannot carry would read back as another computer's, or make
  // every computer refuse the shared list.
  if (const Result<> name = CheckComputerName(settings.Name); !name) {
    const std::string text = "Unable to Use Computer Name: " + name.error();
    return R::Fail({text, text});
  }
  return R::Ok();
}

StepResult WriteSnapshot(const std::string& path, const SyncSettings& settings,
                         const SyncEnvironment& env, ActivityReporter& activity,
                         SnapshotWritten& written, ScanCacheUse cacheUse) {
  const StepResult failure =
      StepFailed("Unable to Create Local Data File..", "cannot write " + path);
  Report(activity, "-> Creating Local Data File..");
  std::error_code ignored;
  std::filesystem::remove(NativePath(path), ignored);
  // Private, and never a link planted in its place.
  if (const Result<> emptied = EmptyPrivateFile(path); !emptied) {
    return StepFailed("Unable to Create Local Data File..", emptied.error());
  }
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  if (!out) {
    return failure;
  }
  written.header = {settings.Name, FormatGeneralDate(env.localNow(), env.dateFormat)};
  WriteDataFileHeader(out, written.header);
  RunProgress& progress = activity.progress();
  ScanOptions options{SharedListFormOf(settings).encodedFields, env.dateFormat,
                      [&progress] { progress.Step(); },
                      [&activity](const std::string& warning) {
                        Report(activity, "-> Skipping " + warning + "..");
                      }};
  options.ansiCodePage = settings.Utf8List == 0;
  options.idle = [&progress] { progress.Idle(); };
  const std::string cachePath = env.workFolder + kScanCacheName;
  ScanCache cache = ScanCache::Load(cachePath, env.favoritesRoot,
                                    {options.encode, options.ansiCodePage}, env.systemNow());
  options.cache = &cache;
  progress.Begin("Reading Favorites", 0);
  written.shortcuts = ScanFavoritesFolder(env.favoritesRoot, out, options);
  progress.End();
  if (cacheUse == ScanCacheUse::Keep) {
    // One that cannot be kept costs the next scan its time, nothing more.
    static_cast<void>(cache.Save(cachePath));
  }
  out.close();
  if (!out) {
    return failure;
  }
  return StepResult::Ok();
}

StepResult ConnectToServer(const SyncSettings& settings, const SyncEnvironment& env,
                           ActivityReporter& activity, std::unique_ptr<FtpClient>& client) {
  Report(activity, "-> Establishing Internet Connection..");
  client = env.makeFtpClient ? env.makeFtpClient(env.yield) : nullptr;
  if (!client) {
    return StepFailed("Unable to Establish Internet Connection");
  }
  Report(activity, "-> Connecting to " + settings.Server + "..");
  const auto port = PortNumber(settings.Port);
  if (!port) {
    Report(activity, "-> Port Number '" + settings.Port + "' is not a port number..");
    return StepFailed("Unable to Connect to " + settings.Server);
  }
  FtpConnectOptions options = env.ftpOptions;
  options.protocol = static_cast<Protocol>(settings.Protocol);
  options.server = settings.Server;
  options.port = *port;
  options.username = settings.Username;
  options.password = settings.Password;
  // libcurl 7.88 hangs on FTP over TLS with active transfers (curl issue 10666).
  const bool tls = options.protocol == Protocol::FtpOverTls;
  options.passive = settings.Passive == 1 || tls;
  if (tls && settings.Passive != 1) {
    Report(activity, "-> Using Passive Mode, Which TLS Needs..");
  }
  options.serverFingerprint =
      ReadIniString(env.settingsPath, kSettingsSection, kServerFingerprintKey);
  return LogIn(*client, options, settings, env);
}

StepResult EnterRemoteDirectory(const SyncSettings& settings, FtpClient& client,
                                ActivityReporter& activity) {
  if (settings.RemoteDir.empty()) {
    return StepResult::Ok();
  }
  Report(activity, "-> Setting Remote Directory..");
  if (const Result<> entered = client.SetCurrentDirectory(settings.RemoteDir); !entered) {
    return StepFailed("Unable to Set Remote Directory..", entered.error());
  }
  return StepResult::Ok();
}

StepResult DownloadSharedList(FtpClient& client, const SharedListForm& form,
                              const std::string& path, ActivityReporter& activity, bool& downloaded,
                              SealLabel& label) {
  Report(activity, "-> Checking for Remote Data File..");
  downloaded = false;
  const Result<RemoteFile> presence = client.Probe(form.name);
  if (!presence) {
    // Taken for absence, a failed check would make this computer's list the shared one and
    // so delete everything the others added.
    return StepFailed("Unable to Download Remote Data File..", presence.error());
  }
  if (*presence == RemoteFile::Present) {
    Report(activity, "-> Downloading Remote Data File..");
    if (const Result<> fetched = client.Download(form.name, form.ServerCopyOf(path)); !fetched) {
      return StepFailed("Unable to Download Remote Data File..", fetched.error());
    }
    const Result<SealLabel> opened = OpenServerCopy(form, path);
    if (!opened) {
      return StepFailed("Unable to Read Remote Data File: " + opened.error());
    }
    label = *opened;
    downloaded = true;
  }
  return StepResult::Ok();
}

void ReportFailure(ActivityReporter& activity, const RunFailure& failure) {
  activity.ReportActivity("Error: " + failure.text, StatusImage::Error);
  if (!failure.reason.empty()) {
    activity.ReportActivity("  " + failure.reason, StatusImage::Error);
  }
}

}  // namespace kestrin
