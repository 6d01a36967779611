#pragma once

#include <string>

#include "platform/result.h"

namespace kestrin {

enum class Creation { Created, AlreadyExists };

// Whether a conditional request was carried out, or refused because the file was no longer
// as named (HTTP 412): another computer created, changed or removed it meanwhile.
enum class Precondition { Held, Changed };

// Writes and removals that the server carries out only while a file is as this client last
// saw it, named by its entity tag (ETag). Reached through FtpClient::conditionalStore(); the
// names are relative to the current directory, like the client's own. A failure is as the
// client's: the server could not be asked, or refused for another reason than the condition.
//
// A strong ETag changes with every change of the bytes; a weak one ("W/...") may not, and
// Apache's default one is weak for about a second after a write, so weak tags are not kept:
// with no strong tag the conditions cannot be put, and the caller falls back to reading the
// file again. Even with strong tags, a server whose workers check the condition and write as
// two steps (Apache's mod_dav_fs) can let two writers through: a check read back afterwards
// stays worth its round trip.
//
// A request whose reply was lost may have been carried out, and libcurl sends a request once
// more on a new connection when a kept-alive one ends before any reply: a create can then
// come back AlreadyExists for this client's own file, and a conditional delete or move as
// Changed, or failed with the file absent. Reading the file back tells which.
class ConditionalStore {
 public:
  virtual ~ConditionalStore() = default;

  // The strong ETag the server gave the file when this client last downloaded, read,
  // uploaded, created, replaced or moved it onto that name; empty when the tag was weak or
  // missing, or the client has not seen the file since it connected or changed directory.
  // After a write it is the tag a request made just after the write saw (the stored size is
  // checked with it), so a write by another in that moment would lend it theirs.
  virtual std::string StrongETag(const std::string& remoteName) const = 0;

  // Stores the local file under the name only if no file of that name exists
  // (If-None-Match: *). The stored size is checked, as by Upload.
  virtual Result<Creation> CreateIfAbsent(const std::string& localPath,
                                          const std::string& remoteName) = 0;
  // Replaces the file by the local one only while its ETag is `etag` (If-Match). Where the
  // server replaces files atomically this is the publication in one request.
  virtual Result<Precondition> ReplaceIfMatch(const std::string& localPath,
                                              const std::string& remoteName,
                                              const std::string& etag) = 0;
  // Deletes the file only while its ETag is `etag` (If-Match): the release of a lock that is
  // still this run's.
  virtual Result<Precondition> DeleteIfMatch(const std::string& remoteName,
                                             const std::string& etag) = 0;
  // Moves `from` over `to` (MOVE) only while `to`'s ETag is `targetETag` (an If header naming
  // it), or, with an empty `targetETag`, only while `to` is absent (Overwrite: F). `to` then
  // carries the tag `from` had.
  virtual Result<Precondition> MoveIfTargetUnchanged(const std::string& from, const std::string& to,
                                                     const std::string& targetETag) = 0;
};

}  // namespace kestrin
