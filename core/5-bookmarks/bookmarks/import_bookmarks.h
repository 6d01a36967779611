#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bookmarks/bookmark_tree.h"
#include "platform/result.h"

namespace kestrin {

struct ImportOutcome {
  std::size_t foldersCreated = 0;
  std::size_t shortcutsCreated = 0;  // those written beside another included
  std::size_t writtenBeside = 0;     // under a numbered name: the name held another URL
  std::size_t alreadyThere = 0;      // a shortcut of that name held the URL already
  // The entries left out, each as "<place in the Favorites folder>: <why>", or as what the
  // reader left out says (Bookmarks::leftOut).
  std::vector<std::string> skipped;
  // Shortcuts written that the shared list carries only with encryption on, each as
  // "<place>: <why>".
  std::vector<std::string> notShared;
  // Why the next run may delete what was imported; empty when it will keep it.
  std::string notKept;
};

// Brings the bookmarks into the Favorites folder (absolute, ending in "/"), below the
// folder `into` ("/"-separated, relative; empty for the Favorites folder itself). Each
// title is made a name by SafeName. Folders are created or, when they exist, filled;
// a shortcut is written as the engine writes one unless a shortcut of that name holds the
// same URL; when it holds another, the import's is written beside it as "Name (2).url",
// "Name (3).url" and so on. Nothing is deleted or overwritten, so no restore point is
// needed; nothing is written outside the folder or through a link. An entry that the list
// could not carry (too deep, too long, a URL with a line break) is skipped, a folder with
// everything in it. Once anything was written, the next run keeps it and uploads it
// (see MarkRestoreAwaitingUpload in `restoreFolder`), instead of deleting it as the shared
// list lacks it. Fails, having changed nothing, when `into` is not a plain relative path.
Result<ImportOutcome> ImportBookmarks(const Bookmarks& bookmarks, const std::string& favoritesRoot,
                                      const std::string& into, const std::string& restoreFolder);

}  // namespace kestrin
