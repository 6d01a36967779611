#include "sync/activity.h"

#include <filesystem>

#include "formats/printable_text.h"
#include "platform/private_file.h"
#include "settings/program_files.h"

namespace kestrin {

void ActivityReporter::ReportActivity(const std::string& text, StatusImage image) {
  display_.SetTrayState(image, text);
  display_.SetStatusText(text);
  display_.AppendActivityLine(text);
  if (collectLogText_) {
    pendingLogText_ += PrintableText(text);
    pendingLogText_ += "\r\n";
  }
  if (image == StatusImage::Error) {
    reportedError_ = true;
  }
}

std::string ActivityLogPath(const std::string& settingsPath) {
  return ProgramFilesFor(settingsPath).logPath;
}

Result<> WriteActivityLog(const std::string& logPath, int purgeSize, const std::string& text) {
  // Purging is all or nothing: the log starts afresh once it has grown past the limit.
  return AppendToPrivateFile(logPath, text + "\r\n",
                      static_cast<std::uintmax_t>(purgeSize < 0 ? 0 : purgeSize) * 1000);
}

}  // namespace kestrin
