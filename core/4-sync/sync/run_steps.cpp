#include "sync/run_steps.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <utility>

#include "favorites/data_file.h"
#include "favorites/scanner.h"
#include "formats/printable_text.h"
#include "platform/private_file.h"

namespace kestrin {
namespace {

// The required fields that are empty, as "Computer Name, Server" ("" when none is).
std::string MissingFields(const SyncSettings& settings) {
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
  return list.empty() ? list : list.substr(0, list.size() - 2);
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

}  // namespace

std::optional<SettingsRefusal> RefuseSettings(const SyncSettings& settings) {
  if (const std::string missing = MissingFields(settings); !missing.empty()) {
    return SettingsRefusal{missing, "Missing " + missing};
  }
  // A name the header line cannot carry would read back as another computer's, or make
  // every computer refuse the shared list.
  if (const std::string problem = ComputerNameProblem(settings.Name); !problem.empty()) {
    const std::string text = "Unable to Use Computer Name: " + problem;
    return SettingsRefusal{text, text};
  }
  return std::nullopt;
}

std::string SharedListName(const SyncSettings& settings) {
  return settings.UseEncryption == 1 ? "favs.dat.enc" : "favs.dat";
}

StepFailure WriteSnapshot(const std::string& path, const SyncSettings& settings,
                          const SyncEnvironment& env, ActivityReporter& activity,
                          DataFileHeader& header) {
  const RunFailure failure{"Unable to Create Local Data File..", "cannot write " + path};
  Report(activity, "-> Creating Local Data File..");
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  // Private, and never a link planted in its place.
  if (!EmptyPrivateFile(path)) {
    return failure;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    return failure;
  }
  header = {settings.Name, FormatGeneralDate(env.localNow(), env.dateFormat)};
  WriteDataFileHeader(out, header);
  ScanOptions options{settings.UseEncryption == 1, env.dateFormat, env.yield,
                      [&activity](const std::string& warning) {
                        Report(activity, "-> Skipping " + PrintableText(warning) + "..");
                      }};
  ScanFavoritesFolder(env.favoritesRoot, out, options);
  out.close();
  if (!out) {
    return failure;
  }
  return std::nullopt;
}

StepFailure ConnectToServer(const SyncSettings& settings, const SyncEnvironment& env,
                            ActivityReporter& activity, std::unique_ptr<FtpClient>& client) {
  Report(activity, "-> Establishing Internet Connection..");
  client = env.makeFtpClient ? env.makeFtpClient(env.yield) : nullptr;
  if (!client) {
    return RunFailure{"Unable to Establish Internet Connection"};
  }
  Report(activity, "-> Connecting to " + settings.Server + "..");
  const std::string failure = "Unable to Connect to " + settings.Server;
  const auto port = PortNumber(settings.Port);
  if (!port) {
    Report(activity, "-> Port Number '" + settings.Port + "' is not a port number..");
    return ClientFailure(*client, failure);
  }
  FtpConnectOptions options = env.ftpOptions;
  options.server = settings.Server;
  options.port = *port;
  options.username = settings.Username;
  options.password = settings.Password;
  options.passive = settings.Passive == 1;
  if (!client->Connect(options)) {
    return ClientFailure(*client, failure);
  }
  return std::nullopt;
}

StepFailure EnterRemoteDirectory(const SyncSettings& settings, FtpClient& client,
                                 ActivityReporter& activity) {
  if (settings.RemoteDir.empty()) {
    return std::nullopt;
  }
  Report(activity, "-> Setting Remote Directory..");
  if (!client.SetCurrentDirectory(settings.RemoteDir)) {
    return ClientFailure(client, "Unable to Set Remote Directory..");
  }
  return std::nullopt;
}

StepFailure DownloadSharedList(FtpClient& client, const std::string& sharedName,
                               const std::string& path, ActivityReporter& activity,
                               bool& downloaded) {
  Report(activity, "-> Checking for Remote Data File..");
  downloaded = false;
  switch (client.Probe(sharedName)) {
    case RemoteFile::Present:
      Report(activity, "-> Downloading Remote Data File..");
      if (!client.Download(sharedName, path)) {
        return ClientFailure(client, "Unable to Download Remote Data File..");
      }
      downloaded = true;
      return std::nullopt;
    case RemoteFile::Absent:
      return std::nullopt;
    case RemoteFile::Unknown:
      break;
  }
  // Taken for absence, a failed check would make this computer's list the shared one and
  // so delete everything the others added.
  return ClientFailure(client, "Unable to Download Remote Data File..");
}

void ReportFailure(ActivityReporter& activity, const RunFailure& failure) {
  activity.ReportActivity("Error: " + failure.text, StatusImage::Error);
  if (!failure.reason.empty()) {
    // The reason may quote the server, whose text must not reach a terminal or the log raw.
    activity.ReportActivity("  " + PrintableText(failure.reason), StatusImage::Error);
  }
}

}  // namespace kestrin
