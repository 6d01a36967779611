#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix_files.h"
#include "platform/result.h"

namespace kestrin {

// Whether `name` can only ever name an entry of the folder it is looked up in, on every
// system: not empty, not "." or "..", without "/", "\" or NUL.
bool IsPlainName(std::string_view name);

// A "/"-separated relative path split at its last name, a trailing "/" dropped first:
// "a/b/c/" gives "a/b" and "c"; "c" gives "" and "c".
struct FolderAndName {
  std::string folder;
  std::string name;
};
FolderAndName SplitAtLastName(std::string_view relative);

// Why a folder below a contained one could not be reached.
enum class BlockedWay {
  Missing,    // a step does not exist
  Link,       // a step is a symbolic link (a reparse point on Windows)
  NotFolder,  // a step is a file
  Refused,    // a step is not a plain name, or could not be opened or made
};

// A folder reached from a trusted one (the Favorites folder) one plain name at a time, held
// open while it is used: every step was a real folder, not a link, and a link put in place
// of a step afterwards changes nothing, so that what is done in it stays inside. Linux holds
// a descriptor opened without following links and acts relative to it; Windows holds every
// step open so that none can be renamed, replaced or removed meanwhile, and refuses a
// reparse point at every level. Entries are named by plain names only.
class ContainedFolder {
 public:
  // The trusted folder itself (absolute); it may be reached through links.
  static Result<ContainedFolder> Open(const std::string& path);

  // The folder `relative` ("/"-separated names; empty for this folder itself) below this
  // one. With `create`, missing folders are made, outermost first, mode 0755.
  Result<ContainedFolder, BlockedWay> Beneath(std::string_view relative, bool create = false) const;

  // The calls below take plain names only: any other fails with EINVAL.
  // The entry's status without following a link; -1 with errno when there is none.
  int Status(const std::string& name, struct stat* info) const;
  // The status of this folder itself.
  int OwnStatus(struct stat* info) const;
  // Opens the file `name`, never through a link.
  int OpenFile(const std::string& name, int flags, int mode = 0) const;
  int RemoveFile(const std::string& name) const;
  // Removes the empty folder `name`.
  int RemoveFolder(const std::string& name) const;
  // The names of its entries, sorted, read whole first.
  std::vector<std::string> Entries() const;

  // The path it was reached by, ending in "/": for messages.
  const std::string& path() const { return path_; }

  struct Handle;  // the system's hold on the folder

 private:
  ContainedFolder(std::string path, std::shared_ptr<const Handle> handle)
      : path_(std::move(path)), handle_(std::move(handle)) {}

  // One step: the folder `name` below this one, or why not.
  Result<ContainedFolder, BlockedWay> Step(const std::string& name) const;
  int MakeFolder(const std::string& name) const;
  // What a call with a name that is not plain gives.
  static int RefuseName();

  std::string path_;
  std::shared_ptr<const Handle> handle_;
};

}  // namespace kestrin
