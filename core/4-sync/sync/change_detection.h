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

// The changes that merge the shared list, uploaded by another computer, into the local
// Favorites. `base` is the list this computer last agreed on with the shared folder (what it
// last uploaded there); it tells which side changed what:
// - a local record whose key (Path + Name) the shared list lacks is deleted when the base
//   has it (deleted elsewhere) and its URL is the base's (an edit here beats the deletion);
//   otherwise it is new here and stays. A folder that holds a record which stays, stays.
// - a shared record whose key the local list lacks is created unless the base has it with
//   the same URL (then it was deleted here, and stays deleted).
// - a shared record whose key the local list has is created when no local record covers
//   it: one covers it when the URLs are equal, or when its Modified is the same or later.
// Without a base (nullptr) the shared list wins: every record it lacks is deleted and every
// record it has that the local list lacks is created. Linear in the size of the lists. Fails
// when a Modified that must be compared cannot be read as a date. The changes are views into
// the lists: they are good as long as the lists are.
Result<ChangeList> ComputeChanges(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const RecordList* base, const GeneralDateFormat& dateFormat);

// Succeeds when CheckRecord refuses no record of the list; otherwise fails naming the first
// record it refuses and why. A list read whole has passed it already; the engine asks again
// before it acts on a list, wherever that came from.
Result<> CheckRecords(const FavoritesDataFile& list);

// The changes that UpdateFavorites would apply: none when this computer was the last to
// upload the shared list. Fails when the shared list would reach outside the Favorites
// folder or a date that must be compared cannot be read.
Result<ChangeList> ChangesToApply(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const RecordList* base, const GeneralDateFormat& dateFormat);

struct UpdateContext {
  bool decode = false;   // Radix-64 record fields (SharedListForm)
  bool confirm = false;  // "ConfirmChanges"
  // "ConfirmMassDeletion": changes that would take, with the deletions made unasked since the
  // user last saw the Favorites whole, more than half of this computer's shortcuts, and at
  // least kMassDeletion of them, go through the hook even when `confirm` is off
  // (deletion_guard.h).
  bool confirmMassDeletion = true;
  bool keepLocal = false;  // delete nothing here: what only this computer holds is uploaded
  bool firstRun = false;   // no "LastSync" yet: keepOnFirstJoin may choose keepLocal
  const ConfirmChangesHook& confirmHook;
  const std::function<bool(std::size_t localShortcuts)>& keepOnFirstJoin;
  // The list last agreed on with the shared folder, nullptr when there is none; asked for
  // only when the shared list comes from another computer.
  const std::function<const RecordList*()>& base;
  GeneralDateFormat dateFormat;
  std::string favoritesRoot;
  std::string unappliedPath;      // the changes the last upload could not carry out
  std::string restoreFolder;      // where what the changes replace is saved first
  std::string deletionGuardPath;  // what the mass-deletion guard measures against
  DateTime now;                   // when they are applied
  ActivityReporter& activity;
  // Of the local data file, as the snapshot wrote it: whose it is, and how many shortcuts.
  std::string computerName;
  std::size_t localShortcuts = 0;
};

struct UpdateResult {
  ChangeOutcome outcome = ChangeOutcome::NothingApplied;
  // The changes that could not be carried out, each with its values (Modified empty).
  RecordList unapplied;
  RunSummary summary;      // of the shortcuts changed as the changes were carried out
  bool confirmed = false;  // the user chose the changes
};

// Reads the shared list, decides by the last uploader, and applies the changes directly or
// after confirmation. A keeping run drops the deletions; what they would have deleted is
// then uploaded with the rest, so the outcome is Applied. When this computer was the last uploader,
// only the changes its last upload could not carry out are tried again, directly; the local
// list is read only when there are some, or when another computer uploaded last. Fails, having
// applied nothing, when a list read, or the kept changes, are not whole and valid, or would reach
// outside the Favorites folder, or when what they would replace cannot be saved first; the text
// says which, and after a line break why when that lies beyond it.
Result<UpdateResult, RunFailure> UpdateFavorites(const std::string& localDataPath,
                                                 const std::string& sharedDataPath,
                                                 const UpdateContext& context);

}  // namespace kestrin
