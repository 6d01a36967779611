#pragma once

#include <functional>

#include "settings/sync_settings.h"
#include "sync/change_list.h"
#include "sync/sync_run.h"

namespace kestrin {

// Finds the changes a run would make to the Favorites folder now, and changes nothing
// anywhere: the lock is not taken, nothing is uploaded, the working files, the settings and
// the log are not written. The snapshot and the downloaded shared list live in a private
// temporary folder for the length of the call. The changes go to show (none when this
// computer uploaded the shared list last, or the server holds none yet). Returns false,
// having reported the "Error: " line and its reason, when they could not be found.
bool DryRunSync(const SyncSettings& settings, SyncEnvironment& env,
                const std::function<void(const ChangeList&)>& show);

}  // namespace kestrin
