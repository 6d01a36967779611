#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "favorites/favorite_record.h"
#include "formats/general_date.h"
#include "platform/result.h"
#include "sync/activity.h"
#include "sync/change_list.h"
#include "sync/run_failure.h"
#include "sync/run_summary.h"

namespace kestrin {

// The changes that make the local Favorites match the shared list when another computer
// uploaded it: local records whose key (Path + Name) the shared list lacks are deleted;
// shared records that no local record with the same key covers are created. A local
// record covers a shared one when the URLs are equal, or when its Modified is the same or
// later. Linear in the size of both lists. Fails when a Modified that must be compared
// cannot be read as a date. The changes are views into the two lists: they are good as long
// as the lists are.
Result<ChangeList> ComputeChanges(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const GeneralDateFormat& dateFormat);

// Succeeds when CheckRecord refuses no record of the list; otherwise fails naming the first
// record it refuses and why. A list read whole has passed it already; the engine asks again
// before it acts on a list, wherever that came from.
Result<> CheckRecords(const FavoritesDataFile& list);

// The changes that UpdateFavorites would apply: none when this computer was the last to
// upload the shared list. Fails when the shared list would reach outside the Favorites
// folder or a date that must be compared cannot be read.
Result<ChangeList> ChangesToApply(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const GeneralDateFormat& dateFormat);

struct UpdateContext {
  bool decode = false;   // Radix-64 record fields (SharedListForm)
  bool confirm = false;  // "ConfirmChanges"
  // "ConfirmMassDeletion": changes that delete more than half of this computer's shortcuts,
  // and at least kMassDeletion of them, go through the hook even when `confirm` is off.
  bool confirmMassDeletion = true;
  bool keepLocal = false;  // delete nothing here: what only this computer holds is uploaded
  bool firstRun = false;   // no "LastSync" yet: keepOnFirstJoin may choose keepLocal
  const ConfirmChangesHook& confirmHook;
  const std::function<bool(std::size_t localShortcuts)>& keepOnFirstJoin;
  GeneralDateFormat dateFormat;
  std::string favoritesRoot;
  std::string unappliedPath;  // the changes the last upload could not carry out
  std::string restoreFolder;  // where what the changes replace is saved first
  DateTime now;               // when they are applied
  ActivityReporter& activity;
};

inline constexpr std::size_t kMassDeletion = 20;

struct UpdateResult {
  ChangeOutcome outcome = ChangeOutcome::NothingApplied;
  // The changes that could not be carried out, each with its values (Modified empty).
  RecordList unapplied;
  RunSummary summary;  // of the shortcuts changed as the changes were carried out
};

// Reads both snapshots, decides by the last uploader, and applies the changes directly or
// after confirmation. A keeping run drops the deletions; what they would have deleted is
// then uploaded with the rest, so the outcome is Applied. When this computer was the last uploader,
// only the changes its last upload could not carry out are tried again, directly. Fails, having
// applied nothing, when either list, or the kept changes, are not whole and valid, or would reach
// outside the Favorites folder, or when what they would replace cannot be saved first; the text
// says which, and after a line break why when that lies beyond it.
Result<UpdateResult, RunFailure> UpdateFavorites(const std::string& localDataPath,
                                                 const std::string& sharedDataPath,
                                                 const UpdateContext& context);

}  // namespace kestrin
