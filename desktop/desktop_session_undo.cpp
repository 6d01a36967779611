// Undo Last Sync: puts back what the newest restore point holds, after asking.
#include "desktop/desktop_session.h"
#include "desktop/questions.h"
#include "sync/restore_favorites.h"
#include "sync/restore_point.h"

namespace kestrin::desktop {

namespace {
std::string Places(std::size_t count) {
  return count == 1 ? "1 place" : std::to_string(count) + " places";
}
}  // namespace

void DesktopSession::UndoLastSync() {
  const std::vector<RestorePoint> points = ListRestorePoints(restoreFolder_);
  if (runInProgress_ || points.empty()) {
    return;
  }
  const RestorePoint& newest = points.back();
  if (view_.Ask(UndoQuestion(newest, config_.dateFormat)) != kPutBack) {
    return;
  }
  const auto restored =
      RestoreFavorites(restoreFolder_, newest.id, config_.favoritesRoot, LocalNow());
  if (!restored) {
    AppendActivityLine("Error: Unable to Restore Favorites");
    AppendActivityLine(restored.error());
    SetStatusText("Unable to Undo the Last Sync");
  } else {
    for (const std::string& refused : restored->refused) {
      AppendActivityLine("Error: Unable to Restore " + refused);
    }
    const std::string done = "Put back " + RestorePointContents(newest) +
                             " from before the sync of " +
                             FormatGeneralDate(newest.made, config_.dateFormat) + ".";
    AppendActivityLine(done);
    SetStatusText(restored->refused.empty()
                      ? done
                      : "Undo Last Sync: " + Places(restored->refused.size()) +
                            " could not be put back");
  }
  view_.FavoritesChanged();
  ShowCommands();
}

}  // namespace kestrin::desktop
