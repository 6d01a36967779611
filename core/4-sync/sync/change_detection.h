#pragma once

#include <string>

#include "favorites/favorite_record.h"
#include "formats/general_date.h"
#include "platform/result.h"
#include "sync/activity.h"
#include "sync/change_list.h"

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

// Empty when every record's Path and Name stay inside the Favorites folder; otherwise a
// text naming the first record that would reach outside it.
std::string FindUnsafeRecord(const FavoritesDataFile& list);

// The changes that UpdateFavorites would apply: none when this computer was the last to
// upload the shared list. Fails when the shared list would reach outside the Favorites
// folder or a date that must be compared cannot be read.
Result<ChangeList> ChangesToApply(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const GeneralDateFormat& dateFormat);

struct UpdateContext {
  bool decode = false;   // "UseEncryption"
  bool confirm = false;  // "ConfirmChanges"
  const ConfirmChangesHook* confirmHook = nullptr;
  GeneralDateFormat dateFormat;
  std::string favoritesRoot;
  ActivityReporter* activity = nullptr;
};

// Reads both snapshots, decides by the last uploader, and applies the changes directly or
// after confirmation. Fails, having applied nothing, when either list is not whole and
// valid or would reach outside the Favorites folder; the text says which and why. Gives
// NothingApplied, so that nothing is uploaded, when a change could not be carried out.
Result<ChangeOutcome> UpdateFavorites(const std::string& localDataPath,
                                      const std::string& sharedDataPath,
                                      const UpdateContext& context);

}  // namespace kestrin
