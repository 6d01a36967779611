#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/general_date.h"
#include "sync/activity.h"
#include "sync/change_list.h"

namespace kestrin {

// The direct application and the confirmation dialog's word their shortcut lines apart.
enum class ApplyOccasion { Direct, Dialog };

// Applies the changes to the Favorites folder in four passes (deleted shortcuts, deleted
// folders, created folders, created shortcuts), each walking its list in order, and
// reports every action. A deleted folder loses what a scan lists, its shortcuts and
// sub-folders; one that still holds other files stays, and a line says so. A shortcut
// written keeps its change's Modified (read with `dateFormat`) as its modification time. A
// change that cannot be carried out is reported and the passes go on; nothing is ever
// written or deleted through a symbolic link or outside the folder. Gives the changes
// reported as not carried out, in the order they were tried.
std::vector<PendingChange> ApplyChanges(const ChangeList& changes, ApplyOccasion occasion,
                                        const std::string& favoritesRoot,
                                        const GeneralDateFormat& dateFormat,
                                        ActivityReporter& activity);

// True for the activity line that reports a change made to the Favorites folder.
bool IsFavoritesChangeLine(std::string_view line);

}  // namespace kestrin
