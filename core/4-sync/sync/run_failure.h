#pragma once

#include <optional>
#include <string>

#include "ftp/ftp_client.h"

namespace kestrin {

// Why a run ends early: the text its "Error: " line shows and, when the cause lies beyond
// that text (the network, a server reply, the file system), that cause in plain words.
struct RunFailure {
  std::string text{};    // "Unable to ..."
  std::string reason{};  // empty when the text says all
};

// What a step of the run gives back: nothing when it succeeded.
using StepFailure = std::optional<RunFailure>;

// A failure told in one text: the error line, then the reason when a line break follows it.
inline RunFailure RunFailureOf(const std::string& told) {
  const size_t lineBreak = told.find('\n');
  if (lineBreak == std::string::npos) {
    return {told};
  }
  return {told.substr(0, lineBreak), told.substr(lineBreak + 1)};
}

// A failure whose cause is the FTP client's last one.
inline RunFailure ClientFailure(const FtpClient& client, std::string text) {
  return {std::move(text), client.LastError()};
}

}  // namespace kestrin
