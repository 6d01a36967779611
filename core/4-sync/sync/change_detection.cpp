#include "sync/change_detection.h"

#include <cstdint>
#include <string_view>
#include <tuple>
#include <unordered_set>
#include <vector>

#include "favorites/data_file.h"
#include "favorites/record_rule.h"
#include "formats/printable_text.h"
#include "sync/apply_changes.h"
#include "sync/deletion_guard.h"
#include "sync/restore_point.h"
#include "sync/unapplied_changes.h"

namespace kestrin {
namespace {

// Record indices fit 32 bits (a list holds at most 500 000 records), which halves the
// index of a hundred thousand records.
using RecordIndex = std::uint32_t;
constexpr RecordIndex kNone = static_cast<RecordIndex>(-1);

// Whether two records have the same key, Path + Name joined, without joining them.
bool SameKey(const FavoriteRecord& a, const FavoriteRecord& b) {
  if (a.Path.size() + a.Name.size() != b.Path.size() + b.Name.size()) {
    return false;
  }
  const auto& [shorter, longer] = a.Path.size() <= b.Path.size() ? std::tie(a, b) : std::tie(b, a);
  const std::size_t overlap = longer.Path.size() - shorter.Path.size();
  return longer.Path.starts_with(shorter.Path) &&
         longer.Path.substr(shorter.Path.size()) == shorter.Name.substr(0, overlap) &&
         shorter.Name.substr(overlap) == longer.Name;
}

// The records of one list by key, each key's records chained in list order. Open addressing
// over record indices, every key hashed once: the lists may hold a hundred thousand records
// each, and a node and a joined key per record cost more than the comparison itself.
class KeyIndex {
 public:
  explicit KeyIndex(const RecordList& records)
      : records_(records), hashes_(records.size()), next_(records.size(), kNone) {
    std::size_t size = 16;
    while (size < 2 * records.size()) {
      size *= 2;
    }
    slots_.assign(size, kNone);
    std::vector<RecordIndex> last(records.size(), kNone);  // of a key's first record
    std::string joined;
    for (RecordIndex i = 0; i < records.size(); ++i) {
      const FavoriteRecord record = records[i];
      joined.assign(record.Path).append(record.Name);
      hashes_[i] = std::hash<std::string>()(joined);
      RecordIndex& first = slots_[Probe(record, hashes_[i])];
      if (first == kNone) {
        first = last[i] = i;
      } else {
        next_[last[first]] = i;
        last[first] = i;
      }
    }
  }

  std::size_t HashAt(std::size_t i) const { return hashes_[i]; }

  // The first record with the key of `record` (whose key hashes to `hash`), or kNone.
  RecordIndex First(const FavoriteRecord& record, std::size_t hash) const {
    return slots_[Probe(record, hash)];
  }

  // The next record with the same key as record i, or kNone.
  RecordIndex Next(std::size_t i) const { return next_[i]; }

  bool Contains(const FavoriteRecord& record) const {
    std::string joined(record.Path);
    joined.append(record.Name);
    return First(record, std::hash<std::string>()(joined)) != kNone;
  }

 private:
  // The slot that holds the key's first record, or the empty slot where it would go.
  std::size_t Probe(const FavoriteRecord& record, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = hash & mask;
    while (slots_[slot] != kNone &&
           (hashes_[slots_[slot]] != hash || !SameKey(records_[slots_[slot]], record))) {
      slot = (slot + 1) & mask;
    }
    return slot;
  }

  const RecordList& records_;
  std::vector<std::size_t> hashes_;
  std::vector<RecordIndex> next_;
  std::vector<RecordIndex> slots_;
};

PendingChange CreationOf(const FavoriteRecord& shared) {
  return {shared.Path,      shared.Name, shared.URL,     shared.IconFile,
          shared.IconIndex, shared.Type, shared.Modified};
}

PendingChange DeletionOf(const FavoriteRecord& local) {
  return {local.Path, local.Name, "", "", "", local.Type};
}

// Same key, different URL: the local copy stands unless the shared one is strictly newer.
Result<bool> LocalIsAsNew(const FavoriteRecord& local, const FavoriteRecord& shared,
                          const GeneralDateFormat& dateFormat) {
  const auto localTime = ParseGeneralDate(local.Modified, dateFormat);
  const auto sharedTime = ParseGeneralDate(shared.Modified, dateFormat);
  if (!localTime || !sharedTime) {
    const FavoriteRecord& bad = localTime ? shared : local;
    return Result<bool>::Fail("the date \"" + std::string(bad.Modified) + "\" of " +
                              std::string(bad.Path).append(bad.Name) + " cannot be read");
  }
  return Result<bool>::Ok(*localTime >= *sharedTime);
}

}  // namespace

namespace {

// Whether the shared list's URL for the key differs from the one both sides last agreed on.
bool EditedSince(const FavoriteRecord& record, std::size_t hash, const RecordList& base,
                 const KeyIndex& baseIndex) {
  const RecordIndex agreed = baseIndex.First(record, hash);
  return agreed != kNone && base[agreed].URL != record.URL;
}

// The Path of the folder that holds a folder ("A\B\" for "A\B\C" or "A\B\C\"), ending in
// a backslash; empty at the top.
std::string_view HoldingPath(std::string_view folderPath) {
  if (folderPath.ends_with('\\')) {
    folderPath.remove_suffix(1);
  }
  const std::size_t up = folderPath.rfind('\\');
  return up == std::string_view::npos ? std::string_view() : folderPath.substr(0, up + 1);
}

// The folders that hold a record which stays here, as a folder record's Path names them:
// removing one would take that record with it.
std::unordered_set<std::string_view> FoldersHolding(const RecordList& local,
                                                    const std::vector<bool>& deleted) {
  std::unordered_set<std::string_view> holding;
  for (std::size_t i = 0; i < local.size(); ++i) {
    if (deleted[i]) {
      continue;
    }
    const FavoriteRecord record = local[i];
    std::string_view path = record.Type == "D" ? HoldingPath(record.Path) : record.Path;
    // A folder already there brought the folders above it along.
    while (!path.empty() && holding.insert(path.substr(0, path.size() - 1)).second) {
      path = HoldingPath(path);
    }
  }
  return holding;
}

// Whether a local record with the shared record's key covers it: the same URL, or a
// Modified as new or newer.
Result<bool> LocallyCovered(RecordIndex first, const FavoriteRecord& shared,
                            const FavoritesDataFile& local, const KeyIndex& localIndex,
                            const GeneralDateFormat& dateFormat) {
  for (RecordIndex i = first; i != kNone; i = localIndex.Next(i)) {
    const FavoriteRecord candidate = local.records[i];
    if (candidate.URL == shared.URL) {
      return Result<bool>::Ok(true);
    }
    const auto asNew = LocalIsAsNew(candidate, shared, dateFormat);
    if (!asNew || *asNew) {
      return asNew;
    }
  }
  return Result<bool>::Ok(false);
}

}  // namespace

Result<ChangeList> ComputeChanges(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const RecordList* base, const GeneralDateFormat& dateFormat) {
  const KeyIndex localIndex(local.records);
  const KeyIndex sharedIndex(shared.records);
  const RecordList noBase;
  const KeyIndex baseIndex(base ? *base : noBase);

  // A local record the shared list lacks was deleted elsewhere only when both sides had
  // agreed on it; otherwise it is new here. An edit made here since beats that deletion.
  std::vector<bool> deleted(local.records.size(), false);
  bool foldersDeleted = false;
  for (std::size_t i = 0; i < local.records.size(); ++i) {
    const FavoriteRecord record = local.records[i];
    const std::size_t hash = localIndex.HashAt(i);
    if (sharedIndex.First(record, hash) != kNone) {
      continue;
    }
    deleted[i] = !base || (baseIndex.First(record, hash) != kNone &&
                           !EditedSince(record, hash, *base, baseIndex));
    foldersDeleted = foldersDeleted || (deleted[i] && record.Type == "D");
  }
  const auto holding = foldersDeleted ? FoldersHolding(local.records, deleted)
                                      : std::unordered_set<std::string_view>();
  ChangeList changes;
  for (std::size_t i = 0; i < local.records.size(); ++i) {
    const FavoriteRecord record = local.records[i];
    if (deleted[i] && !(record.Type == "D" && holding.contains(record.Path))) {
      changes.DeleteList.push_back(DeletionOf(record));
    }
  }

  // A shared record this computer lacks is new elsewhere unless both sides had agreed on it:
  // then it was deleted here, and stays deleted unless it was edited elsewhere since.
  for (std::size_t j = 0; j < shared.records.size(); ++j) {
    const FavoriteRecord record = shared.records[j];
    const std::size_t hash = sharedIndex.HashAt(j);
    const RecordIndex first = localIndex.First(record, hash);
    bool covered = false;
    if (first == kNone) {
      covered = base && baseIndex.First(record, hash) != kNone &&
                !EditedSince(record, hash, *base, baseIndex);
    } else {
      const auto localCopy = LocallyCovered(first, record, local, localIndex, dateFormat);
      if (!localCopy) {
        return Result<ChangeList>::Fail(localCopy.error());
      }
      covered = *localCopy;
    }
    if (!covered) {
      changes.CreateList.push_back(CreationOf(record));
    }
  }
  return Result<ChangeList>::Ok(std::move(changes));
}

Result<> CheckRecords(const FavoritesDataFile& list) {
  for (std::size_t i = 0; i < list.records.size(); ++i) {
    const FavoriteRecord record = list.records[i];
    if (const Result<> checked = CheckRecord(record); !checked) {
      return Result<>::Fail("record " + std::to_string(i + 1) + " (" +
                            std::string(record.Path).append(record.Name) + "): " + checked.error());
    }
  }
  return Result<>::Ok();
}

namespace {

// The changes with the shared list checked first; the texts say what was refused.
Result<ChangeList> CheckedChanges(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const RecordList* base, const GeneralDateFormat& dateFormat) {
  if (const Result<> checked = CheckRecords(shared); !checked) {
    return Result<ChangeList>::Fail("Unable to Use Remote Data File: " + checked.error());
  }
  auto changes = ComputeChanges(local, shared, base, dateFormat);
  if (!changes) {
    return Result<ChangeList>::Fail("Unable to Compare Data Files: " + changes.error());
  }
  return changes;
}

RecordList RecordsOf(const std::vector<PendingChange>& changes) {
  RecordList records;
  for (const PendingChange& c : changes) {
    records.push_back({"", c.Path, c.Name, c.URL, c.IconFile, c.IconIndex, c.Type});
  }
  return records;
}

bool IsShortcut(std::string_view type) {
  return type == "F";
}

std::size_t ShortcutsIn(const std::vector<PendingChange>& changes) {
  std::size_t shortcuts = 0;
  for (const PendingChange& change : changes) {
    shortcuts += IsShortcut(change.Type) ? 1 : 0;
  }
  return shortcuts;
}

// The shortcuts the changes deleted, replaced (a creation whose key the local list has)
// and added, leaving out those that could not be carried out.
RunSummary SummaryOf(const ChangeList& changes, const RecordList& unapplied,
                     const RecordList& local) {
  const RecordKeys failed = KeysOf(unapplied);
  const auto carriedOut = [&failed](const PendingChange& change) {
    return IsShortcut(change.Type) &&
           (failed.empty() || !failed.contains(std::string(change.Path).append(change.Name)));
  };
  RunSummary summary;
  for (const PendingChange& change : changes.DeleteList) {
    summary.removed += carriedOut(change) ? 1 : 0;
  }
  if (changes.CreateList.empty()) {
    return summary;
  }
  const KeyIndex localIndex(local);
  for (const PendingChange& change : changes.CreateList) {
    if (carriedOut(change)) {
      ++(localIndex.Contains({"", change.Path, change.Name, "", "", "", change.Type})
             ? summary.changed
             : summary.added);
    }
  }
  return summary;
}

// Applies the changes once what they replace is saved; applies none when it cannot be.
Result<UpdateResult, RunFailure> Applied(const ChangeList& changes, ApplyOccasion occasion,
                                         const RecordList& local, const UpdateContext& context) {
  const auto saved =
      SaveRestorePointFor(changes, context.favoritesRoot, context.restoreFolder, context.now);
  if (!saved) {
    return Result<UpdateResult, RunFailure>::Fail(
        {"Unable to Save Restore Point..", saved.error()});
  }
  UpdateResult result{ChangeOutcome::Applied,
                      RecordsOf(ApplyChanges(changes, occasion, context.favoritesRoot,
                                             context.dateFormat, context.activity)),
                      {}};
  result.summary = SummaryOf(changes, result.unapplied, local);
  result.summary.restoreId = *saved;
  return Result<UpdateResult, RunFailure>::Ok(std::move(result));
}

Result<UpdateResult, RunFailure> Unchanged() {
  return Result<UpdateResult, RunFailure>::Ok({ChangeOutcome::Unchanged, {}, {}});
}

Result<FavoritesDataFile, RunFailure> ReadLocalList(const std::string& path,
                                                    const UpdateContext& context) {
  auto local = ReadFavoritesDataFile(path, context.decode);
  if (!local) {
    return Result<FavoritesDataFile, RunFailure>::Fail(
        {"Unable to Read Local Data File: " + local.error()});
  }
  return Result<FavoritesDataFile, RunFailure>::Ok(std::move(*local));
}

// This computer uploaded the shared list last: its own list stands, but for the changes
// that upload could not carry out, which are judged against the shared list once more. Its
// list is read only then: the snapshot just written is what it uploaded.
Result<UpdateResult, RunFailure> RetryUnapplied(const std::string& localDataPath,
                                                const FavoritesDataFile& shared,
                                                const UpdateContext& context) {
  const auto kept = ReadUnappliedChanges(context.unappliedPath, shared.header);
  if (!kept) {
    return Result<UpdateResult, RunFailure>::Fail(
        {"Unable to Read Unapplied Changes: " + kept.error()});
  }
  if (kept->empty()) {
    return Unchanged();
  }
  const auto local = ReadLocalList(localDataPath, context);
  if (!local) {
    return Result<UpdateResult, RunFailure>::Fail(local.error());
  }
  const RecordKeys keys = KeysOf(*kept);
  const FavoritesDataFile localPart{local->header, RecordsWithKeys(local->records, keys)};
  const FavoritesDataFile sharedPart{shared.header, RecordsWithKeys(shared.records, keys)};
  const auto changes = CheckedChanges(localPart, sharedPart, nullptr, context.dateFormat);
  if (!changes) {
    return Result<UpdateResult, RunFailure>::Fail({changes.error()});
  }
  if (changes->CreateList.empty() && changes->DeleteList.empty()) {
    return Unchanged();
  }
  return Applied(*changes, ApplyOccasion::Direct, localPart.records, context);
}

// Whether this run keeps what only this computer holds: asked for, or chosen at the first
// join when it would otherwise delete some of this computer's own favorites.
bool KeepsLocal(const ChangeList& changes, std::size_t localShortcuts,
                const UpdateContext& context) {
  return context.keepLocal ||
         (context.firstRun && localShortcuts > 0 && !changes.DeleteList.empty() &&
          context.keepOnFirstJoin && context.keepOnFirstJoin(localShortcuts));
}

// The merge with the shared list: the changes, applied directly or as the user chose.
Result<UpdateResult, RunFailure> Merge(const std::string& localDataPath,
                                       const FavoritesDataFile& shared, const DeletionGuard& guard,
                                       const UpdateContext& context) {
  using Outcome = Result<UpdateResult, RunFailure>;
  if (shared.header.ComputerName == context.computerName) {
    return RetryUnapplied(localDataPath, shared, context);
  }
  // The changes are views into both lists, which therefore live until they are applied.
  const auto read = ReadLocalList(localDataPath, context);
  if (!read) {
    return Outcome::Fail(read.error());
  }
  const FavoritesDataFile& local = *read;
  auto changes = CheckedChanges(local, shared, context.base(), context.dateFormat);
  if (!changes) {
    return Outcome::Fail({changes.error()});
  }
  if (changes->CreateList.empty() && changes->DeleteList.empty()) {
    return Unchanged();
  }
  const std::size_t localShortcuts = context.localShortcuts;
  const bool firstJoinAsked = context.firstRun && context.keepOnFirstJoin;
  if (KeepsLocal(*changes, localShortcuts, context) && !changes->DeleteList.empty()) {
    context.activity.ReportActivity("-> Keeping " + std::to_string(changes->DeleteList.size()) +
                                        " Items the Shared List Lacks..",
                                    StatusImage::Working);
    changes->DeleteList.clear();
  }
  // Whoever chose at the first join to replace this computer's favorites was asked already.
  const std::size_t deleting = ShortcutsIn(changes->DeleteList);
  const bool massDeletion = context.confirmMassDeletion && !firstJoinAsked &&
                            guard.IsMassDeletion(deleting, localShortcuts);
  // What could not be carried out is uploaded as the shared list had it: see
  // unapplied_changes.h.
  const bool nothingToAsk = changes->CreateList.empty() && changes->DeleteList.empty();
  if ((!context.confirm && !massDeletion) || nothingToAsk) {
    auto applied = Applied(*changes, ApplyOccasion::Direct, local.records, context);
    if (applied) {
      applied->confirmed = firstJoinAsked;
    }
    return applied;
  }
  if (massDeletion) {
    context.activity.ReportActivity(
        "-> " + std::to_string(guard.Deleted(deleting)) + " of " +
            std::to_string(guard.MeasuredAgainst(localShortcuts)) +
            " Favorites Would Be Deleted, " +
            (context.confirmHook ? "Asking First.." : "Nothing Applied Unasked.."),
        StatusImage::Working);
  }
  const auto chosen =
      context.confirmHook ? context.confirmHook(*changes) : std::optional<std::vector<ChangeRow>>();
  if (!chosen) {
    return Outcome::Ok({ChangeOutcome::NothingApplied, {}, {}});
  }
  auto applied = Applied(ChangeListOf(*chosen), ApplyOccasion::Dialog, local.records, context);
  if (applied) {
    applied->confirmed = true;
  }
  return applied;
}

// After a run that deleted nothing, or whose changes the user chose, the Favorites as they
// are now were seen whole; deletions made unasked add up until then.
void RememberWhatWasSeen(DeletionGuard guard, const UpdateResult& result,
                         std::size_t localShortcuts, const std::string& path) {
  if (result.outcome == ChangeOutcome::NothingApplied) {
    return;
  }
  const RunSummary& summary = result.summary;
  if (summary.removed == 0 || result.confirmed) {
    guard = {localShortcuts - std::min(localShortcuts, summary.removed) + summary.added, 0};
  } else {
    guard.deletedSince += summary.removed;
  }
  KeepDeletionGuard(path, guard);
}

}  // namespace

Result<ChangeList> ChangesToApply(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const RecordList* base, const GeneralDateFormat& dateFormat) {
  if (shared.header.ComputerName == local.header.ComputerName) {
    return Result<ChangeList>::Ok({});
  }
  return CheckedChanges(local, shared, base, dateFormat);
}

Result<UpdateResult, RunFailure> UpdateFavorites(const std::string& localDataPath,
                                                 const std::string& sharedDataPath,
                                                 const UpdateContext& context) {
  using Outcome = Result<UpdateResult, RunFailure>;
  const auto shared = ReadFavoritesDataFile(sharedDataPath, context.decode);
  if (!shared) {
    return Outcome::Fail({"Unable to Read Remote Data File: " + shared.error()});
  }
  const DeletionGuard guard = ReadDeletionGuard(context.deletionGuardPath, context.localShortcuts);
  auto merged = Merge(localDataPath, *shared, guard, context);
  if (merged) {
    RememberWhatWasSeen(guard, *merged, context.localShortcuts, context.deletionGuardPath);
  }
  return merged;
}

}  // namespace kestrin
