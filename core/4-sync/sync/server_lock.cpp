#include "sync/server_lock.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/private_file.h"

namespace kestrin {
namespace {

constexpr char kCheckFailure[] = "Unable to Check for Remote Indicator File..";

void Report(const IndicatorContext& context, const std::string& line) {
  context.activity->ReportActivity(line, StatusImage::Working);
}

std::string OwnIndicator(const IndicatorContext& context) {
  return context.computerName + "\r\n";
}

// This computer's indicator file, or the beginning of it that an interrupted upload left.
bool NamesThisComputer(const std::string& contents, const IndicatorContext& context) {
  return !contents.empty() && OwnIndicator(context).starts_with(contents);
}

// A connection lost just now is mended by the client's next login, so a question the
// server did not answer is asked once more.
RemoteFile Presence(FtpClient& client) {
  const RemoteFile presence = client.Probe(kRemoteIndicatorName);
  return presence == RemoteFile::Unknown ? client.Probe(kRemoteIndicatorName) : presence;
}

// What the server holds as "favs.ind".
struct Indicator {
  StepFailure failure;                  // set when the server would not tell
  std::optional<std::string> contents;  // none when there is no lock
};

Indicator ReadIndicator(FtpClient& client, const IndicatorContext& context, bool announce) {
  RemoteFile presence = Presence(client);
  if (presence == RemoteFile::Present && announce) {
    Report(context, "-> Downloading Indicator File..");
  }
  // A second try: a file replaced during the download arrives short.
  for (int attempt = 0; attempt < 2 && presence == RemoteFile::Present; ++attempt) {
    if (std::optional<std::string> contents = client.Read(kRemoteIndicatorName)) {
      if (announce) {
        Report(context, "-> Processing Remote Indicator File..");
      }
      return {std::nullopt, std::move(contents)};
    }
    // Gone between the check and the download: its computer has finished.
    presence = Presence(client);
  }
  switch (presence) {
    case RemoteFile::Absent:
      return {};
    case RemoteFile::Present:
      return {ClientFailure(client, "Unable to Download Indicator File.."), std::nullopt};
    case RemoteFile::Unknown:
      break;
  }
  return {ClientFailure(client, kCheckFailure), std::nullopt};
}

// Nothing once the other computer's file is gone or the wait limit has passed.
StepFailure WaitForOther(FtpClient& client, const IndicatorContext& context,
                         const std::string& other) {
  Report(context, "-> Waiting for '" + other + "' to finish..");
  RemoteFile presence = Presence(client);
  const auto start = context.monotonicNow();
  const auto elapsed = [&] { return context.monotonicNow() - start; };
  while (presence == RemoteFile::Present && elapsed() < kIndicatorWaitLimit) {
    // One listing a second is enough to notice the other computer finishing, and does
    // not hammer the server for two minutes.
    context.idle(std::chrono::seconds(1));
    const double remaining = std::chrono::duration<double>(kIndicatorWaitLimit - elapsed()).count();
    context.activity->display().SetStatusText(other + " is connected. Timeout in " +
                                              FormatCountdown(remaining, context.decimalSeparator) +
                                              " secs.");
    presence = Presence(client);
  }
  if (presence == RemoteFile::Unknown) {
    return ClientFailure(client, kCheckFailure);
  }
  return std::nullopt;
}

bool StoreIndicator(FtpClient& client, const IndicatorContext& context, bool& stored) {
  Report(context, "-> Creating Local Indicator File..");
  std::error_code ignored;
  std::filesystem::remove(context.localIndicatorPath, ignored);
  // Private, and never a link planted in its place.
  if (!EmptyPrivateFile(context.localIndicatorPath)) {
    return false;
  }
  {
    std::ofstream out(context.localIndicatorPath, std::ios::binary | std::ios::trunc);
    out << OwnIndicator(context);
  }
  Report(context, "-> Uploading Local Indicator File..");
  stored = true;
  return client.Upload(context.localIndicatorPath, kRemoteIndicatorName);
}

}  // namespace
std::string FormatCountdown(double seconds, char decimalSeparator) {
  const long tenths = std::lround(std::max(seconds, 0.0) * 10);
  return std::to_string(tenths / 10) + decimalSeparator + std::to_string(tenths % 10);
}

std::string IndicatorName(std::string_view contents) {
  size_t pos = contents.find_first_not_of(' ');
  if (pos == std::string_view::npos) {
    return "";
  }
  contents.remove_prefix(pos);
  if (contents.front() == '"') {
    contents.remove_prefix(1);
    return std::string(contents.substr(0, contents.find('"')));
  }
  std::string_view field = contents.substr(0, contents.find_first_of(",\r\n"));
  field = field.substr(0, field.find_last_not_of(' ') + 1);
  return std::string(field);
}

StepFailure AcquireIndicator(FtpClient& client, const IndicatorContext& context, bool& stored) {
  Report(context, "-> Checking for Remote Indicator File..");
  Indicator found = ReadIndicator(client, context, true);
  std::string uploadFailure = "Unable to Upload Indicator File..";
  while (!found.failure) {
    // A lock of this computer's own was left by an earlier run: it is taken at once.
    if (found.contents && !NamesThisComputer(*found.contents, context)) {
      if (StepFailure failure = WaitForOther(client, context, IndicatorName(*found.contents))) {
        return failure;
      }
      uploadFailure = "Unable to Upload Local Indicator File..";
    }
    const StepFailure uploadError = StoreIndicator(client, context, stored)
                                        ? std::nullopt
                                        : StepFailure(ClientFailure(client, uploadFailure));
    // FTP cannot create a file only if it is missing: another computer that checked at the
    // same moment may have stored its own since (and made this upload fail). The one whose
    // file stays goes on; the other waits for it.
    Report(context, "-> Verifying Remote Indicator File..");
    found = ReadIndicator(client, context, false);
    const bool ours = found.contents && NamesThisComputer(*found.contents, context);
    if (uploadError && (ours || !found.contents)) {
      return uploadError;
    }
    if (ours) {
      return std::nullopt;
    }
  }
  return found.failure;
}

bool HoldsIndicator(FtpClient& client, const IndicatorContext& context) {
  const Indicator found = ReadIndicator(client, context, false);
  return found.contents && NamesThisComputer(*found.contents, context);
}

StepFailure ReleaseIndicator(FtpClient& client, const IndicatorContext& context) {
  // A second try, after a connection lost just now, reads the lock afresh: the first
  // delete may have been done without its reply arriving.
  StepFailure failure;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const Indicator found = ReadIndicator(client, context, false);
    if (!found.failure && (!found.contents || !NamesThisComputer(*found.contents, context))) {
      return std::nullopt;
    }
    if (found.contents && client.Delete(kRemoteIndicatorName)) {
      return std::nullopt;
    }
    failure = ClientFailure(client, "Unable to Delete Remote Indicator File..");
  }
  return failure;
}

}  // namespace kestrin
