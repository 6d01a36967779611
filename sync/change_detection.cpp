#include "sync/change_detection.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "favorites/data_file.h"
#include "sync/apply_changes.h"

namespace kestrin {
namespace {

// A record's key, Path + Name, compared and hashed as the joined text without building it:
// the lists may hold a hundred thousand records each.
struct Key {
  std::string_view path;
  std::string_view name;

  bool operator==(const Key& other) const {
    if (path.size() + name.size() != other.path.size() + other.name.size()) {
      return false;
    }
    const auto [shorter, longer] =
        path.size() <= other.path.size() ? std::pair(this, &other) : std::pair(&other, this);
    const std::size_t split = shorter->path.size();
    const std::size_t overlap = longer->path.size() - split;
    return longer->path.starts_with(shorter->path) &&
           longer->path.substr(split) == shorter->name.substr(0, overlap) &&
           shorter->name.substr(overlap) == longer->name;
  }
};

// FNV-1a over the joined text, so that equal keys hash alike however they split.
struct KeyHash {
  std::size_t operator()(const Key& key) const {
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::string_view part : {key.path, key.name}) {
      for (const unsigned char c : part) {
        hash = (hash ^ c) * 1099511628211ull;
      }
    }
    return static_cast<std::size_t>(hash);
  }
};

Key KeyOf(const FavoriteRecord& record) {
  return {record.Path, record.Name};
}

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
  // The local records of one key, in list order: the first and last index per key, and a
  // chain from each record to the next of the same key.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::unordered_map<Key, std::pair<std::size_t, std::size_t>, KeyHash> localByKey;
  std::vector<std::size_t> nextOfKey(local.records.size(), kNone);
  localByKey.reserve(local.records.size());
  for (std::size_t i = 0; i < local.records.size(); ++i) {
    const auto [entry, added] = localByKey.try_emplace(KeyOf(local.records[i]), i, i);
    if (!added) {
      nextOfKey[entry->second.second] = i;
      entry->second.second = i;
    }
  }
  std::unordered_set<Key, KeyHash> sharedKeys;
  sharedKeys.reserve(shared.records.size());
  for (const FavoriteRecord& record : shared.records) {
    sharedKeys.insert(KeyOf(record));
  }

  ChangeList changes;
  for (const FavoriteRecord& record : local.records) {
    if (!sharedKeys.contains(KeyOf(record))) {
      changes.DeleteList.push_back(DeletionOf(record));
    }
  }
  for (const FavoriteRecord& record : shared.records) {
    bool covered = false;
    if (const auto found = localByKey.find(KeyOf(record)); found != localByKey.end()) {
      for (std::size_t i = found->second.first; i != kNone; i = nextOfKey[i]) {
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
        if (covered) {
          break;
        }
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

Result<ChangeOutcome> UpdateFavorites(const std::string& localDataPath,
                                      const std::string& sharedDataPath,
                                      const UpdateContext& context) {
  using Outcome = Result<ChangeOutcome>;
  const auto shared = ReadFavoritesDataFile(sharedDataPath, context.decode);
  if (!shared) {
    return Outcome::Fail("Unable to Read Remote Data File: " + shared.error());
  }
  const auto local = ReadFavoritesDataFile(localDataPath, context.decode);
  if (!local) {
    return Outcome::Fail("Unable to Read Local Data File: " + local.error());
  }
  auto changes = ChangesToApply(*local, *shared, context.dateFormat);
  if (!changes) {
    return Outcome::Fail(changes.error());
  }
  if (changes->CreateList.empty() && changes->DeleteList.empty()) {
    return Outcome::Ok(ChangeOutcome::Unchanged);
  }
  if (!context.confirm) {
    ApplyChanges(RowsInDialogOrder(*changes), ApplyOccasion::Direct, context.favoritesRoot,
                 *context.activity);
    return Outcome::Ok(ChangeOutcome::Applied);
  }
  const auto chosen = (context.confirmHook && *context.confirmHook)
                          ? (*context.confirmHook)(*changes)
                          : std::optional<std::vector<ChangeRow>>();
  if (!chosen) {
    return Outcome::Ok(ChangeOutcome::NothingApplied);
  }
  ApplyChanges(*chosen, ApplyOccasion::Dialog, context.favoritesRoot, *context.activity);
  return Outcome::Ok(ChangeOutcome::Applied);
}

}  // namespace kestrin
