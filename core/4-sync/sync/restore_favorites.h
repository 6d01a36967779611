#pragma once

#include <string>
#include <vector>

#include "formats/general_date.h"
#include "platform/result.h"

namespace kestrin {

struct RestoreOutcome {
  std::string undoId;                // the point saved of what was overwritten; may be empty
  std::vector<std::string> refused;  // the places that could not be put back, and why
};

// Puts back every item of the restore point `id` (the newest when empty) as it was: its
// folders first, then its files with their bytes and modification times, replacing what
// stands at those places now. What it replaces is saved first as a new point made `now`,
// so that a restore can be undone too. Nothing is written outside the Favorites folder or
// through a link. Fails, having changed nothing, when there is no such point, its manifest
// is damaged or names a place outside the Favorites folder, or the new point cannot be saved.
// Once done, the computer's next run keeps what only this computer holds (see
// RestoreAwaitsUpload), so that what was put back is published, not deleted again.
Result<RestoreOutcome> RestoreFavorites(const std::string& restoreFolder, const std::string& id,
                                        const std::string& favoritesRoot, const DateTime& now);

// Whether a restore (or an import) has put favorites here that no run has uploaded since.
bool RestoreAwaitsUpload(const std::string& restoreFolder);

// Makes the next run keep and upload what only this computer holds, instead of deleting
// it as the shared list lacks it.
Result<> MarkRestoreAwaitingUpload(const std::string& restoreFolder);

// Called once a run has uploaded this computer's favorites.
void ForgetRestoreAwaitingUpload(const std::string& restoreFolder);

}  // namespace kestrin
