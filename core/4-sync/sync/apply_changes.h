#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sync/activity.h"
#include "sync/change_list.h"

namespace kestrin {

// The direct application and the confirmation dialog's word their shortcut lines apart.
enum class ApplyOccasion { Direct, Dialog };

// Applies the changes to the Favorites folder in four passes (deleted shortcuts, deleted
// folders, created folders, created shortcuts), each walking its list in order, and
// reports every action. A change that cannot be carried out is reported and the passes go
// on; nothing is ever written or deleted through a symbolic link or outside the folder.
// Gives the changes reported as not carried out, in the order they were tried.
std::vector<PendingChange> ApplyChanges(const ChangeList& changes, ApplyOccasion occasion,
                                        const std::string& favoritesRoot,
                                        ActivityReporter& activity);

// True for the activity line that reports a change made to the Favorites folder.
bool IsFavoritesChangeLine(std::string_view line);

// True when some folder between the Favorites folder and the entry is a symbolic link:
// acting there would reach outside the Favorites folder.
bool PassesThroughLink(const std::string& favoritesRoot, const std::string& path);

// Creates every missing folder of the path up to its last "/", outermost first.
void CreateFolderPath(const std::string& path);

// Deletes the folder (an absolute path) with everything in it, leaving what cannot be
// deleted; a symbolic link is removed itself and never followed, and a file system mounted
// there or below is left whole.
void RemoveFolderTree(const std::string& path);

}  // namespace kestrin
