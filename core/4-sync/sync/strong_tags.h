#pragma once

#include <string>

#include "ftp/conditional_store.h"
#include "ftp/ftp_client.h"
#include "sync/activity.h"

namespace kestrin {

// Where the server gives strong ETags, the lock and the shared list change by requests that
// hold only while a file is as this run saw it. A step whose tag is missing (weak, as
// Apache's default is for a second after a write, or none at all) keeps the checks by
// reading back, and the run says so once.
class StrongTags {
 public:
  explicit StrongTags(ActivityReporter& activity) : activity_(activity) {}

  // The client's conditional store for a step that needs `etag`: nullptr where the client
  // has none, or the tag is missing.
  ConditionalStore* StoreFor(FtpClient& client, const std::string& etag);

 private:
  ActivityReporter& activity_;
  bool toldMissing_ = false;
};

// The strong tag the client last saw the file with; empty where it saw none or has no
// conditional store.
std::string StrongETagOf(FtpClient& client, const std::string& name);

}  // namespace kestrin
