#include "sync/server_lock.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kestrin {
namespace {

void Report(const IndicatorContext& context, const std::string& line) {
  context.activity->ReportActivity(line, StatusImage::Working);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

StepFailure TakeIndicator(FtpClient& client, const IndicatorContext& context,
                          const std::string& failureText) {
  Report(context, "-> Creating Local Indicator File..");
  std::error_code ignored;
  std::filesystem::remove(context.localIndicatorPath, ignored);
  {
    std::ofstream out(context.localIndicatorPath, std::ios::binary | std::ios::trunc);
    out << context.computerName << "\r\n";
  }
  Report(context, "-> Uploading Local Indicator File..");
  if (!client.Upload(context.localIndicatorPath, kRemoteIndicatorName)) {
    return ClientFailure(client, failureText);
  }
  return std::nullopt;
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

StepFailure AcquireIndicator(FtpClient& client, const IndicatorContext& context) {
  Report(context, "-> Checking for Remote Indicator File..");
  if (!client.FileExists(kRemoteIndicatorName)) {
    return TakeIndicator(client, context, "Unable to Upload Indicator File..");
  }

  Report(context, "-> Downloading Indicator File..");
  std::error_code ignored;
  std::filesystem::remove(context.localIndicatorPath, ignored);
  if (!client.Download(kRemoteIndicatorName, context.localIndicatorPath)) {
    return ClientFailure(client, "Unable to Download Indicator File..");
  }
  Report(context, "-> Processing Remote Indicator File..");
  const std::string other = IndicatorName(ReadWholeFile(context.localIndicatorPath));
  Report(context, "-> Waiting for '" + other + "' to finish..");

  bool present = client.FileExists(kRemoteIndicatorName);
  const auto start = context.monotonicNow();
  const auto elapsed = [&] { return context.monotonicNow() - start; };
  while (present && elapsed() < kIndicatorWaitLimit) {
    // One listing a second is enough to notice the other computer finishing, and does
    // not hammer the server for two minutes.
    context.idle(std::chrono::seconds(1));
    const double remaining = std::chrono::duration<double>(kIndicatorWaitLimit - elapsed()).count();
    context.activity->display().SetStatusText(other + " is connected. Timeout in " +
                                              FormatCountdown(remaining, context.decimalSeparator) +
                                              " secs.");
    present = client.FileExists(kRemoteIndicatorName);
  }
  return TakeIndicator(client, context, "Unable to Upload Local Indicator File..");
}

void ReleaseIndicator(FtpClient& client) {
  // A lock left behind costs every other computer a two-minute wait; a connection lost
  // just now is mended by the client's next login, so one more try is worth it.
  if (!client.Delete(kRemoteIndicatorName)) {
    client.Delete(kRemoteIndicatorName);
  }
}

}  // namespace kestrin
