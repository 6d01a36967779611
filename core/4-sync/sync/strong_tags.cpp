#include "sync/strong_tags.h"

namespace kestrin {

ConditionalStore* StrongTags::StoreFor(FtpClient& client, const std::string& etag) {
  ConditionalStore* store = client.conditionalStore();
  if (store == nullptr || !etag.empty()) {
    return store;
  }
  if (!toldMissing_) {
    activity_.ReportActivity("-> Server Gives No Strong ETags, Checking Instead..",
                             StatusImage::Working);
    toldMissing_ = true;
  }
  return nullptr;
}

std::string StrongETagOf(FtpClient& client, const std::string& name) {
  const ConditionalStore* store = client.conditionalStore();
  return store != nullptr ? store->StrongETag(name) : "";
}

}  // namespace kestrin
