#include "sync/change_detection.h"

#include <string_view>
#include <tuple>
#include <vector>

#include "favorites/data_file.h"
#include "sync/apply_changes.h"

namespace kestrin {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Whether two records have the same key, Path + Name joined, without joining them.
bool SameKey(const FavoriteRecord& a, const FavoriteRecord& b) {
  if (a.Path.size() + a.Name.size() != b.Path.size() + b.Name.size()) {
    return false;
  }
  const auto& [shorter, longer] = a.Path.size() <= b.Path.size() ? std::tie(a, b) : std::tie(b, a);
  const std::string_view longerPath = longer.Path;
  const std::string_view shorterName = shorter.Name;
  const std::size_t overlap = longerPath.size() - shorter.Path.size();
  return longerPath.starts_with(shorter.Path) &&
         longerPath.substr(shorter.Path.size()) == shorterName.substr(0, overlap) &&
         shorterName.substr(overlap) == longer.Name;
}

// The records of one list by key, each key's records chained in list order. Open addressing
// over record indices, every key hashed once: the lists may hold a hundred thousand records
// each, and a node and a joined key per record cost more than the comparison itself.
class KeyIndex {
 public:
  explicit KeyIndex(const std::vector<FavoriteRecord>& records)
      : records_(records),
        hashes_(records.size()),
        next_(records.size(), kNone),
        last_(records.size(), kNone) {
    std::size_t size = 16;
    while (size < 2 * records.size()) {
      size *= 2;
    }
    slots_.assign(size, kNone);
    std::string joined;
    for (std::size_t i = 0; i < records.size(); ++i) {
      joined.assign(records[i].Path).append(records[i].Name);
      hashes_[i] = std::hash<std::string>()(joined);
      std::size_t& first = slots_[Probe(records[i], hashes_[i])];
      if (first == kNone) {
        first = last_[i] = i;
      } else {
        next_[last_[first]] = i;
        last_[first] = i;
      }
    }
  }

  std::size_t HashAt(std::size_t i) const { return hashes_[i]; }

  // The first record with the key of `record` (whose key hashes to `hash`), or kNone.
  std::size_t First(const FavoriteRecord& record, std::size_t hash) const {
    return slots_[Probe(record, hash)];
  }

  // The next record with the same key as record i, or kNone.
  std::size_t Next(std::size_t i) const { return next_[i]; }

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

  const std::vector<FavoriteRecord>& records_;
  std::vector<std::size_t> hashes_;
  std::vector<std::size_t> next_;
  std::vector<std::size_t> last_;  // of a key's first record: the key's last record
  std::vector<std::size_t> slots_;
};

PendingChange CreationOf(const FavoriteRecord& shared) {
  return {shared.Path, shared.Name, shared.URL, shared.IconFile, shared.IconIndex, shared.Type};
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
    return Result<bool>::Fail("the date \"" + bad.Modified + "\" of " + bad.Path + bad.Name +
                              " cannot be read");
  }
  return Result<bool>::Ok(*localTime >= *sharedTime);
}

bool HasControlCharacter(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) {
      return true;
    }
  }
  return false;
}

// A relative path component that could name something outside its folder, or nothing.
bool IsUnsafeComponent(std::string_view component) {
  return component.empty() || component == "." || component == ".." ||
         component.find('/') != std::string_view::npos;
}

std::string UnsafePathReason(std::string_view path, bool endsWithBackslash) {
  if (path.empty()) {
    return "";
  }
  if (path.front() == '\\' || path.front() == '/') {
    return "an absolute path";
  }
  if (path.size() >= 2 && path[1] == ':') {
    return "a drive letter";
  }
  std::string_view rest = path;
  if (endsWithBackslash) {
    if (rest.back() != '\\') {
      return "a shortcut path without a final backslash";
    }
    rest.remove_suffix(1);
  }
  size_t start = 0;
  while (true) {
    const size_t end = rest.find('\\', start);
    if (IsUnsafeComponent(rest.substr(start, end - start))) {
      return "a \"..\", \".\", empty or \"/\" component";
    }
    if (end == std::string_view::npos) {
      return "";
    }
    start = end + 1;
  }
}

}  // namespace

Result<ChangeList> ComputeChanges(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const GeneralDateFormat& dateFormat) {
  const KeyIndex localIndex(local.records);
  const KeyIndex sharedIndex(shared.records);

  ChangeList changes;
  for (std::size_t i = 0; i < local.records.size(); ++i) {
    if (sharedIndex.First(local.records[i], localIndex.HashAt(i)) == kNone) {
      changes.DeleteList.push_back(DeletionOf(local.records[i]));
    }
  }
  for (std::size_t j = 0; j < shared.records.size(); ++j) {
    const FavoriteRecord& record = shared.records[j];
    bool covered = false;
    for (std::size_t i = localIndex.First(record, sharedIndex.HashAt(j)); i != kNone && !covered;
         i = localIndex.Next(i)) {
      const FavoriteRecord& candidate = local.records[i];
      if (candidate.URL == record.URL) {
        covered = true;
      } else {
        const auto asNew = LocalIsAsNew(candidate, record, dateFormat);
        if (!asNew) {
          return Result<ChangeList>::Fail(asNew.error());
        }
        covered = *asNew;
      }
    }
    if (!covered) {
      changes.CreateList.push_back(CreationOf(record));
    }
  }
  return Result<ChangeList>::Ok(std::move(changes));
}

std::string FindUnsafeRecord(const FavoritesDataFile& list) {
  for (size_t i = 0; i < list.records.size(); ++i) {
    const FavoriteRecord& record = list.records[i];
    std::string reason;
    if (HasControlCharacter(record.Path) || HasControlCharacter(record.Name)) {
      reason = "a control character";
    } else if (record.Type == "D") {
      reason = record.Path.empty() ? "an empty folder path" : UnsafePathReason(record.Path, false);
    } else if (record.Type == "F") {
      reason = UnsafePathReason(record.Path, true);
      if (reason.empty() &&
          (IsUnsafeComponent(record.Name) || record.Name.find('\\') != std::string::npos)) {
        reason = "a name that is not a plain file name";
      }
    }
    if (!reason.empty()) {
      return "record " + std::to_string(i + 1) + " (" + record.Path + record.Name + ") holds " +
             reason;
    }
  }
  return "";
}

Result<ChangeList> ChangesToApply(const FavoritesDataFile& local, const FavoritesDataFile& shared,
                                  const GeneralDateFormat& dateFormat) {
  if (shared.header.ComputerName == local.header.ComputerName) {
    return Result<ChangeList>::Ok({});
  }
  if (const std::string unsafe = FindUnsafeRecord(shared); !unsafe.empty()) {
    return Result<ChangeList>::Fail("Unable to Use Remote Data File: " + unsafe);
  }
  auto changes = ComputeChanges(local, shared, dateFormat);
  if (!changes) {
    return Result<ChangeList>::Fail("Unable to Compare Data Files: " + changes.error());
  }
  return changes;
}

namespace {

// Both lists live only here: with a hundred thousand records they are the bulk of the
// memory, and applying the changes needs them no more.
Result<ChangeList> ChangesBetweenFiles(const std::string& localDataPath,
                                       const std::string& sharedDataPath,
                                       const UpdateContext& context) {
  const auto shared = ReadFavoritesDataFile(sharedDataPath, context.decode);
  if (!shared) {
    return Result<ChangeList>::Fail("Unable to Read Remote Data File: " + shared.error());
  }
  const auto local = ReadFavoritesDataFile(localDataPath, context.decode);
  if (!local) {
    return Result<ChangeList>::Fail("Unable to Read Local Data File: " + local.error());
  }
  return ChangesToApply(*local, *shared, context.dateFormat);
}

}  // namespace

Result<ChangeOutcome> UpdateFavorites(const std::string& localDataPath,
                                      const std::string& sharedDataPath,
                                      const UpdateContext& context) {
  using Outcome = Result<ChangeOutcome>;
  auto changes = ChangesBetweenFiles(localDataPath, sharedDataPath, context);
  if (!changes) {
    return Outcome::Fail(changes.error());
  }
  if (changes->CreateList.empty() && changes->DeleteList.empty()) {
    return Outcome::Ok(ChangeOutcome::Unchanged);
  }
  // When a change could not be carried out (a locked file, a full disk), a new scan would
  // drop from the shared list what this computer failed to create and the others would
  // delete it: upload nothing, so the shared list stays whole and the next run tries again.
  const auto appliedOutcome = [](bool complete) {
    return Outcome::Ok(complete ? ChangeOutcome::Applied : ChangeOutcome::NothingApplied);
  };
  if (!context.confirm) {
    return appliedOutcome(ApplyChanges(RowsInDialogOrder(*changes), ApplyOccasion::Direct,
                                       context.favoritesRoot, *context.activity));
  }
  const auto chosen = (context.confirmHook && *context.confirmHook)
                          ? (*context.confirmHook)(*changes)
                          : std::optional<std::vector<ChangeRow>>();
  if (!chosen) {
    return Outcome::Ok(ChangeOutcome::NothingApplied);
  }
  return appliedOutcome(
      ApplyChanges(*chosen, ApplyOccasion::Dialog, context.favoritesRoot, *context.activity));
}

}  // namespace kestrin
