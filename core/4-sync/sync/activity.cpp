#include "sync/activity.h"

#include <filesystem>
#include <fstream>

namespace kestrin {

void ActivityReporter::ReportActivity(const std::string& text, StatusImage image) {
  display_.SetTrayState(image, text);
  display_.SetStatusText(text);
  display_.AppendActivityLine(text);
  if (collectLogText_) {
    pendingLogText_ += text;
    pendingLogText_ += "\r\n";
  }
  if (image == StatusImage::Error) {
    reportedError_ = true;
  }
}

std::string ActivityLogPath(const std::string& settingsPath) {
  const std::string extension = ".ini";
  if (settingsPath.size() > extension.size() &&
      settingsPath.compare(settingsPath.size() - extension.size(), extension.size(), extension) ==
          0) {
    return settingsPath.substr(0, settingsPath.size() - extension.size()) + ".log";
  }
  return settingsPath + ".log";
}

void WriteActivityLog(const std::string& logPath, int purgeSize, const std::string& text) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(logPath, ec);
  // Purging is all or nothing: the log starts afresh once it has grown past the limit.
  if (!ec && size > static_cast<std::uintmax_t>(purgeSize < 0 ? 0 : purgeSize) * 1000) {
    std::filesystem::remove(logPath, ec);
  }
  std::ofstream out(logPath, std::ios::binary | std::ios::app);
  out << text << "\r\n";
}

}  // namespace kestrin
