#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "ftp/ftp_client.h"
#include "sync/activity.h"
#include "sync/run_failure.h"
#include "sync/strong_tags.h"

namespace kestrin {

inline constexpr char kRemoteIndicatorName[] = "favs.ind";
inline constexpr std::chrono::seconds kIndicatorWaitLimit{120};

struct IndicatorContext {
  std::string computerName;
  std::string localIndicatorPath;  // "local.ind" in the program's folder
  char decimalSeparator = '.';
  std::function<void(std::chrono::milliseconds)> idle;
  std::function<std::chrono::steady_clock::time_point()> monotonicNow;
  ActivityReporter& activity;
  StrongTags& strongTags;
};

// This run's "favs.ind": whether it may be on the server, so that a run that fails afterwards
// knows to release it, and once it was read back as this computer's, the strong tag the
// server gave it (empty: none).
struct StoredIndicator {
  bool mayBeStored = false;
  std::optional<std::string> etag;
  // Read as this computer's by the check just before the shared list was replaced: the
  // release then needs not read it once more.
  bool heldAtPublication = false;
};

// Takes the server's indicator file, waiting up to 120 seconds (about one listing a
// second) for another computer's to disappear, and goes on only once the stored file names
// this computer, and nothing else. The file is stored whole: created only where none is when
// the server can, else by a rename. `stored` tells what this computer stored.
StepResult AcquireIndicator(FtpClient& client, const IndicatorContext& context,
                            StoredIndicator& stored);

// Whether "favs.ind" still names this computer.
bool HoldsIndicator(FtpClient& client, const IndicatorContext& context);

// Deletes "favs.ind" while it still is the one this computer stored; another computer's is
// left alone. Succeeds when no lock of this computer's stays behind. One read just before
// the publication answers for the moment of the release: another computer could take the
// lock in between only by ending a two-minute wait in those few round trips, and its run
// still checks the shared list before it publishes.
StepResult ReleaseIndicator(FtpClient& client, const IndicatorContext& context,
                            const StoredIndicator& stored);

// The name under which a computer uploads a file before renaming it into place: one per
// computer (its name in hexadecimal, so that any name makes a plain file name), so no two
// computers write the same one, and a file left behind by a lost connection is replaced by
// the computer's next upload.
std::string TemporaryRemoteName(const std::string& remoteName, const std::string& computerName);

// Seconds in the pattern "##0.0": at least one digit, one decimal, rounded.
std::string FormatCountdown(double seconds, char decimalSeparator);

// The computer name held by an indicator file: its first field, taken as the data file
// takes fields.
std::string IndicatorName(std::string_view contents);

}  // namespace kestrin
