#include "sync/server_lock.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/native_path.h"
#include "platform/private_file.h"

namespace kestrin {
namespace {

constexpr char kCheckFailure[] = "Unable to Check for Remote Indicator File..";

void Report(const IndicatorContext& context, const std::string& line) {
  context.activity.ReportActivity(line, StatusImage::Working);
}

std::string OwnIndicator(const IndicatorContext& context) {
  return context.computerName + "\r\n";
}

// This computer's indicator file exactly. Anything else (another name, a part of one, or a
// mix that two computers writing in place at the same moment left) is another computer's
// lock, or one being written: this computer never goes on under it.
bool NamesThisComputer(const std::string& contents, const IndicatorContext& context) {
  return contents == OwnIndicator(context);
}

// A connection lost just now is mended by the client's next login, so a question the
// server did not answer is asked once more.
Result<RemoteFile> Presence(FtpClient& client) {
  Result<RemoteFile> presence = client.Probe(kRemoteIndicatorName);
  return presence ? presence : client.Probe(kRemoteIndicatorName);
}

// What the server holds as "favs.ind": none when there is no lock. Fails when the server
// would not tell.
using Indicator = Result<std::optional<std::string>, RunFailure>;

bool IsOurs(const Indicator& found, const IndicatorContext& context) {
  return found && *found && NamesThisComputer(**found, context);
}

// The common answer, this computer's lock, costs one read without the size asked first. Any
// other answer is asked again the long way, which tells another's lock from one cut short.
bool HeldByThisComputer(FtpClient& client, const IndicatorContext& context) {
  const Result<bool> held = client.Holds(kRemoteIndicatorName, OwnIndicator(context));
  return held && *held;
}

Indicator ReadIndicator(FtpClient& client, const IndicatorContext& context, bool announce) {
  Result<RemoteFile> presence = Presence(client);
  if (IsPresent(presence) && announce) {
    Report(context, "-> Downloading Indicator File..");
  }
  // A second try: a file replaced during the download arrives short.
  std::string readFailure;
  for (int attempt = 0; attempt < 2 && IsPresent(presence); ++attempt) {
    Result<std::string> contents = client.Read(kRemoteIndicatorName);
    if (contents) {
      if (announce) {
        Report(context, "-> Processing Remote Indicator File..");
      }
      return Indicator::Ok(std::move(*contents));
    }
    readFailure = contents.error();
    // Gone between the check and the download: its computer has finished.
    presence = Presence(client);
  }
  if (!presence) {
    return Indicator::Fail({kCheckFailure, presence.error()});
  }
  if (*presence == RemoteFile::Present) {
    return Indicator::Fail({"Unable to Download Indicator File..", readFailure});
  }
  return Indicator::Ok(std::nullopt);
}

// Succeeds once the other computer's file is gone or the wait limit has passed.
StepResult WaitForOther(FtpClient& client, const IndicatorContext& context,
                        const std::string& other) {
  Report(context, "-> Waiting for '" + other + "' to finish..");
  Result<RemoteFile> presence = Presence(client);
  const auto start = context.monotonicNow();
  const auto elapsed = [&] { return context.monotonicNow() - start; };
  while (IsPresent(presence) && elapsed() < kIndicatorWaitLimit) {
    // One listing a second is enough to notice the other computer finishing, and does
    // not hammer the server for two minutes.
    context.idle(std::chrono::seconds(1));
    const double remaining = std::chrono::duration<double>(kIndicatorWaitLimit - elapsed()).count();
    context.activity.display().SetStatusText(other + " is connected. Timeout in " +
                                             FormatCountdown(remaining, context.decimalSeparator) +
                                             " secs.");
    presence = Presence(client);
  }
  if (!presence) {
    return StepFailed(kCheckFailure, presence.error());
  }
  return StepResult::Ok();
}

// This computer's indicator file in the program's folder: private, and never a link planted
// in its place.
Result<> WriteLocalIndicator(const IndicatorContext& context) {
  Report(context, "-> Creating Local Indicator File..");
  std::error_code ignored;
  std::filesystem::remove(NativePath(context.localIndicatorPath), ignored);
  if (Result<> emptied = EmptyPrivateFile(context.localIndicatorPath); !emptied) {
    return emptied;
  }
  std::ofstream out(NativePath(context.localIndicatorPath), std::ios::binary | std::ios::trunc);
  out << OwnIndicator(context);
  return Result<>::Ok();
}

// Stores this computer's indicator file whole: under a name of its own first, then renamed
// over "favs.ind". Servers that write an upload into the existing file would otherwise leave
// a mix of two computers' names when both store theirs at the same moment.
Result<> RenameIndicatorIntoPlace(FtpClient& client, const IndicatorContext& context) {
  const std::string temporary = TemporaryRemoteName(kRemoteIndicatorName, context.computerName);
  if (Result<> uploaded = client.Upload(context.localIndicatorPath, temporary); !uploaded) {
    return uploaded;
  }
  Result<void, RenameFailure> renamed = client.Rename(temporary, kRemoteIndicatorName);
  if (!renamed && renamed.error().refused == RenameRefusal::Target) {
    // A server that will not rename onto an existing file: this computer has decided to take
    // the lock, so the file in the way goes. The read-back settles any race this opens.
    static_cast<void>(client.Delete(kRemoteIndicatorName));
    renamed = client.Rename(temporary, kRemoteIndicatorName);
  }
  if (renamed) {
    return Result<>::Ok();
  }
  static_cast<void>(client.Delete(temporary));
  if (renamed.error().refused == RenameRefusal::Source) {
    // A server that cannot rename gets the lock stored in place, as it always was.
    return client.Upload(context.localIndicatorPath, kRemoteIndicatorName);
  }
  return Result<>::Fail(renamed.error().reason);
}

// Stores this computer's indicator file only where none is, in one request. After a wait that
// ran out, the lock waited for goes first, but only while it is still the one that was read.
Result<> CreateIndicator(ConditionalStore& store, const IndicatorContext& context,
                         const std::string& waitedFor) {
  Result<Creation> created = store.CreateIfAbsent(context.localIndicatorPath, kRemoteIndicatorName);
  if (created && *created == Creation::AlreadyExists && !waitedFor.empty()) {
    if (const auto deleted = store.DeleteIfMatch(kRemoteIndicatorName, waitedFor); !deleted) {
      return Result<>::Fail(deleted.error());
    }
    created = store.CreateIfAbsent(context.localIndicatorPath, kRemoteIndicatorName);
  }
  return created ? Result<>::Ok() : Result<>::Fail(created.error());
}

// `waitedFor` is the strong tag of another computer's lock this run waited for, if it waited.
Result<> StoreIndicator(FtpClient& client, const IndicatorContext& context,
                        const std::optional<std::string>& waitedFor) {
  ConditionalStore* store =
      waitedFor ? context.strongTags.StoreFor(client, *waitedFor) : client.conditionalStore();
  return store != nullptr ? CreateIndicator(*store, context, waitedFor.value_or(""))
                          : RenameIndicatorIntoPlace(client, context);
}

}  // namespace

std::string TemporaryRemoteName(const std::string& remoteName, const std::string& computerName) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string name = remoteName + ".upload-";
  for (unsigned char c : computerName) {
    name += kHex[c >> 4];
    name += kHex[c & 0xf];
  }
  return name;
}

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

StepResult AcquireIndicator(FtpClient& client, const IndicatorContext& context,
                            StoredIndicator& stored) {
  Report(context, "-> Checking for Remote Indicator File..");
  stored.heldAtPublication = false;
  Indicator found = ReadIndicator(client, context, true);
  std::string uploadFailure = "Unable to Upload Indicator File..";
  while (found) {
    std::optional<std::string> waitedFor;
    // A lock of this computer's own was left by an earlier run: it is taken at once.
    if (*found && !NamesThisComputer(**found, context)) {
      waitedFor = StrongETagOf(client, kRemoteIndicatorName);
      if (StepResult waited = WaitForOther(client, context, IndicatorName(**found)); !waited) {
        return waited;
      }
      uploadFailure = "Unable to Upload Local Indicator File..";
    }
    Result<> upload = WriteLocalIndicator(context);
    if (upload) {
      Report(context, "-> Uploading Local Indicator File..");
      stored.mayBeStored = true;
      upload = StoreIndicator(client, context, waitedFor);
    }
    // FTP cannot create a file only if it is missing: another computer that checked at the
    // same moment may have stored its own since (and made this upload fail). The one whose
    // file stays goes on; the other waits for it. A create whose reply was lost, and that
    // libcurl sent again, finds this computer's own file.
    Report(context, "-> Verifying Remote Indicator File..");
    found = HeldByThisComputer(client, context) ? Indicator::Ok(OwnIndicator(context))
                                                : ReadIndicator(client, context, false);
    const bool ours = IsOurs(found, context);
    if (!upload && (ours || !found || !*found)) {
      return StepFailed(uploadFailure, upload.error());
    }
    if (ours) {
      stored.etag = StrongETagOf(client, kRemoteIndicatorName);
      return StepResult::Ok();
    }
  }
  return StepResult::Fail(found.error());
}

bool HoldsIndicator(FtpClient& client, const IndicatorContext& context) {
  return HeldByThisComputer(client, context) ||
         IsOurs(ReadIndicator(client, context, false), context);
}

StepResult ReleaseIndicator(FtpClient& client, const IndicatorContext& context,
                            const StoredIndicator& stored) {
  // Where the server takes conditions, the delete holds only while the lock is the one stored
  // (another's, or one gone after a delete sent twice, is no lock of this computer's);
  // elsewhere the read just before the publication answers for it.
  ConditionalStore* store =
      stored.etag ? context.strongTags.StoreFor(client, *stored.etag) : nullptr;
  if (store != nullptr ? static_cast<bool>(store->DeleteIfMatch(kRemoteIndicatorName, *stored.etag))
                       : stored.heldAtPublication && client.Delete(kRemoteIndicatorName)) {
    return StepResult::Ok();
  }
  // A second try, after a connection lost just now, reads the lock afresh: the first
  // delete may have been done without its reply arriving.
  std::string reason;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const Indicator found = ReadIndicator(client, context, false);
    if (found && !IsOurs(found, context)) {
      return StepResult::Ok();
    }
    if (!found) {
      reason = found.error().reason;
    } else if (const Result<> deleted = client.Delete(kRemoteIndicatorName); !deleted) {
      reason = deleted.error();
    } else {
      return StepResult::Ok();
    }
  }
  return StepFailed("Unable to Delete Remote Indicator File..", reason);
}

}  // namespace kestrin
