#pragma once

#include <cstddef>
#include <string>

namespace kestrin {

inline constexpr std::size_t kMassDeletion = 20;
// The guard's file in the shared folder's state folder.
inline constexpr char kDeletionGuardName[] = "deletion.guard";

// What the mass-deletion guard measures against: the shortcuts this computer held when the
// user last saw its Favorites whole (after a run that deleted nothing, or whose deletions
// were asked about), and how many runs have deleted since without asking. A shared list
// that loses a few shortcuts a run is then asked about before half are gone, as one that
// loses them all at once is.
struct DeletionGuard {
  std::size_t shortcutsSeenWhole = 0;
  std::size_t deletedSince = 0;

  // Whether deleting `deleting` more of the `shortcuts` held now takes, with the deletions
  // since, more than half of the shortcuts seen whole, and at least kMassDeletion.
  bool IsMassDeletion(std::size_t deleting, std::size_t shortcuts) const;
  // The deletions since the Favorites were seen whole, these included, and what they are
  // measured against: for the run's line "N of M Favorites Would Be Deleted".
  std::size_t Deleted(std::size_t deleting) const { return deletedSince + deleting; }
  std::size_t MeasuredAgainst(std::size_t shortcuts) const;
};

// The guard kept at path, or a fresh one measuring against `shortcuts` when there is none or
// it cannot be read.
DeletionGuard ReadDeletionGuard(const std::string& path, std::size_t shortcuts);

// Keeps the guard after a run. Not keeping it costs only the memory of earlier deletions.
void KeepDeletionGuard(const std::string& path, const DeletionGuard& guard);

}  // namespace kestrin
