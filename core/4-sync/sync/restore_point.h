#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include <sys/types.h>

#include "formats/general_date.h"
#include "platform/contained_folder.h"
#include "platform/result.h"
#include "sync/change_list.h"

namespace kestrin {

// A restore point keeps what a run deleted or overwrote in the Favorites folder, so that
// the run can be undone. Each lives in a folder of its own below the restore folder, named
// by a number that grows with each point: a manifest and the saved files' bytes.

// Where the restore points of a program with the given working-files folder are kept.
std::string RestoreFolderOf(const std::string& workFolder);

// One saved thing: a folder, or a file with its bytes (kept in the point's folder under
// `stored`) and modification time. `place` is relative to the Favorites folder, with "/"
// separators, a folder's ending in "/".
struct SavedItem {
  std::string place;
  bool folder = false;
  timespec modified{};
  std::string stored;
};

struct RestorePoint {
  std::string id;
  DateTime made;
  std::vector<SavedItem> items;  // each folder before what it holds
};

// Saves as one new point made `now` what stands at the places below the Favorites folder:
// a file (an ordinary one, not a link) at a place without a trailing "/", a folder with
// everything in it at one with. Places that hold nothing of that kind, or lie behind a
// link, are left out; when nothing is left no point is made (the id is then empty) and
// nothing is written. Fails, leaving no point behind, when anything cannot be read or
// written; the text says why.
Result<std::string> SaveRestorePoint(const std::string& restoreFolder,
                                     const std::string& favoritesRoot,
                                     const std::vector<std::string>& places, const DateTime& now);

// Before the changes are applied: saves what they delete or overwrite as one new point made
// `now`, then lets go of the points no longer kept. Gives the new point's id, empty when
// nothing needed saving. On failure, with the reason, the changes must not be applied.
Result<std::string> SaveRestorePointFor(const ChangeList& changes, const std::string& favoritesRoot,
                                        const std::string& restoreFolder, const DateTime& now);

// The point's manifest; fails when there is no such point or its manifest is not whole.
Result<RestorePoint> ReadRestorePoint(const std::string& restoreFolder, const std::string& id);

// Every point whose manifest can be read, oldest first.
std::vector<RestorePoint> ListRestorePoints(const std::string& restoreFolder);

// Copies the ordinary file `fromName` of `fromFolder`, never through a link, into the new
// file `toName` of `toFolder` of the given mode, with the given modification time when there
// is one. Fails, leaving no new file, saying why.
Result<> CopyOrdinaryFile(const ContainedFolder& fromFolder, const std::string& fromName,
                          const ContainedFolder& toFolder, const std::string& toName, mode_t mode,
                          const timespec* modified = nullptr);
// The same between absolute paths.
Result<> CopyOrdinaryFile(const std::string& from, const std::string& to, mode_t mode);

struct RestoreRetention {
  int days = 30;                      // every point made since then stays
  std::size_t newest = 10;            // and at least this many of the newest
  std::uintmax_t bytes = 100u << 20;  // but all of them together take no more
};

// Removes the points the retention does not keep, the oldest first; the newest one always
// stays, however large.
void PruneRestorePoints(const std::string& restoreFolder, const DateTime& now,
                        const RestoreRetention& retention = {});

}  // namespace kestrin
