#include "sync/favorites_watch.h"

#include <functional>

#include "favorites/folder_entries.h"

namespace kestrin {
namespace {

void Fold(std::uint64_t& hash, std::uint64_t value) {
  // FNV-1a over the value's eight bytes.
  for (int shift = 0; shift < 64; shift += 8) {
    hash = (hash ^ ((value >> shift) & 0xFF)) * 0x100000001b3ULL;
  }
}

void FoldFolder(const std::string& folder, dev_t device, std::uint64_t& hash) {
  VisitFolderEntries(folder, device, [&](const FolderEntry& entry) {
    Fold(hash, std::hash<std::string>{}(folder + entry.name));
    Fold(hash, static_cast<std::uint64_t>(entry.kind));
    const FileIdentity& id = entry.identity;
    for (const std::uint64_t value :
         {id.inode, id.size, static_cast<std::uint64_t>(id.modifiedSeconds),
          static_cast<std::uint64_t>(id.modifiedNanoseconds),
          static_cast<std::uint64_t>(id.changedSeconds),
          static_cast<std::uint64_t>(id.changedNanoseconds)}) {
      Fold(hash, value);
    }
    if (entry.kind == EntryKind::Folder) {
      FoldFolder(folder + entry.name + "/", device, hash);
    }
  });
}

}  // namespace

std::uint64_t FavoritesFingerprint(const std::string& favoritesRoot) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  if (const std::optional<dev_t> device = FileSystemOf(favoritesRoot)) {
    FoldFolder(favoritesRoot, *device, hash);
  }
  return hash;
}

bool QuietAfterChange::Tick(std::uint64_t fingerprint) {
  if (seen_ != fingerprint) {
    quietFor_ = seen_ ? std::optional<int>(0) : std::nullopt;
    seen_ = fingerprint;
    return false;
  }
  if (quietFor_ && ++*quietFor_ >= quietTicks_) {
    quietFor_.reset();
    return true;
  }
  return false;
}

void QuietAfterChange::Rebase(std::uint64_t fingerprint) {
  seen_ = fingerprint;
  quietFor_.reset();
}

}  // namespace kestrin
