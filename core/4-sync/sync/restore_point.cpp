#include "sync/restore_point.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

#include "favorites/favorites_path.h"
#include "favorites/record_rule.h"
#include "formats/printable_text.h"
#include "platform/atomic_file.h"
#include "platform/contained_folder.h"
#include "platform/folder_entries.h"
#include "platform/posix_files.h"
#include "platform/whole_file.h"

namespace kestrin {
namespace {

constexpr char kManifestName[] = "manifest";
constexpr char kIncompleteName[] = ".incomplete";

std::string Why(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// A place in a manifest line: "%" and control characters as %HH, so that any name fits.
std::string Escaped(const std::string& place) {
  std::string text;
  for (unsigned char c : place) {
    if (c == '%' || IsControlCharacter(c)) {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      text += code;
    } else {
      text += static_cast<char>(c);
    }
  }
  return text;
}

std::optional<std::string> Unescaped(const std::string& text) {
  std::string place;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      place += text[i];
      continue;
    }
    unsigned code = 0;
    if (i + 2 >= text.size() || std::sscanf(text.c_str() + i + 1, "%2X", &code) != 1) {
      return std::nullopt;
    }
    place += static_cast<char>(code);
    i += 2;
  }
  return place;
}

// What stands at a place below the Favorites folder, reached without following a link.
struct Found {
  ContainedFolder holder;
  std::string name;
  struct stat info;
};

// A file (a place without a trailing "/") or a folder (one with) at the place, not behind
// a link.
std::optional<Found> Savable(const ContainedFolder& root, const std::string& place) {
  FolderAndName at = SplitAtLastName(place);
  auto holder = root.Beneath(at.folder);
  struct stat info;
  if (!holder || holder->Status(at.name, &info) != 0 ||
      !(place.ends_with('/') ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode))) {
    return std::nullopt;
  }
  return Found{std::move(*holder), std::move(at.name), info};
}

// Writes one point into a folder of its own, file by file.
class PointWriter {
 public:
  PointWriter(const ContainedFolder& folder, const ContainedFolder& favoritesRoot)
      : folder_(folder), root_(favoritesRoot) {}

  Result<> Save(const std::string& place) {
    const std::optional<Found> found = Savable(root_, place);
    if (!found) {
      return Result<>::Ok();
    }
    return S_ISDIR(found->info.st_mode)
               ? SaveFolder(found->holder, found->name, place, found->info.st_dev)
               : SaveFile(found->holder, found->name, place, found->info);
  }

  const std::string& manifest() const { return manifest_; }

 private:
  // A folder is saved with what a run removes of it: its sub-folders and shortcuts on its
  // own file system.
  Result<> SaveFolder(const ContainedFolder& holder, const std::string& name,
                      const std::string& place, dev_t device) {
    manifest_ += "D " + Escaped(place) + "\n";
    const auto folder = holder.Beneath(name);
    if (!folder) {
      return Result<>::Ok();
    }
    for (const std::string& entry : folder->Entries()) {
      struct stat info;
      if (folder->Status(entry, &info) != 0 || info.st_dev != device) {
        continue;
      }
      const std::string child = place + entry;
      Result<> saved = Result<>::Ok();
      if (S_ISDIR(info.st_mode)) {
        saved = SaveFolder(*folder, entry, child + "/", device);
      } else if (S_ISREG(info.st_mode) && HasShortcutName(entry)) {
        saved = SaveFile(*folder, entry, child, info);
      }
      if (!saved) {
        return saved;
      }
    }
    return Result<>::Ok();
  }

  Result<> SaveFile(const ContainedFolder& holder, const std::string& name,
                    const std::string& place, const struct stat& info) {
    if (!saved_.insert(place).second) {
      return Result<>::Ok();  // a shortcut deleted on its own and with its folder
    }
    const std::string stored = std::to_string(++files_);
    if (Result<> copied = CopyOrdinaryFile(holder, name, folder_, stored, 0600); !copied) {
      return copied;
    }
    manifest_ += "F " + std::to_string(info.st_mtim.tv_sec) + " " +
                 std::to_string(info.st_mtim.tv_nsec) + " " + stored + " " + Escaped(place) + "\n";
    return Result<>::Ok();
  }

  const ContainedFolder& folder_;
  const ContainedFolder& root_;
  std::string manifest_;
  std::set<std::string> saved_;
  size_t files_ = 0;
};

std::vector<std::string> PointIds(const std::string& restoreFolder) {
  std::vector<std::string> ids;
  for (const std::string& name : FolderEntries(restoreFolder)) {
    if (!name.empty() && name.size() < 10 && std::all_of(name.begin(), name.end(), ::isdigit)) {
      ids.push_back(name);
    }
  }
  std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
    return std::stoul(a) < std::stoul(b);
  });
  return ids;
}

std::uintmax_t SizeOf(const std::string& pointFolder) {
  std::uintmax_t size = 0;
  for (const std::string& name : FolderEntries(pointFolder)) {
    struct stat info;
    if (lstat((pointFolder + name).c_str(), &info) == 0) {
      size += info.st_size;
    }
  }
  return size;
}

}  // namespace

Result<> CopyOrdinaryFile(const ContainedFolder& fromFolder, const std::string& fromName,
                          const ContainedFolder& toFolder, const std::string& toName, mode_t mode,
                          const timespec* modified) {
  const std::string from = fromFolder.path() + fromName, to = toFolder.path() + toName;
  const int in = fromFolder.OpenFile(fromName, O_RDONLY);
  if (in < 0) {
    return Result<>::Fail(Why("cannot read", from));
  }
  const int out = toFolder.OpenFile(toName, O_WRONLY | O_CREAT | O_EXCL, mode);
  if (out < 0) {
    const Result<> failure = Result<>::Fail(Why("cannot write", to));
    close(in);
    return failure;
  }
  char buffer[65536];
  ssize_t got = 0;
  bool whole = true;
  while (whole && (got = read(in, buffer, sizeof buffer)) > 0) {
    whole = write(out, buffer, got) == got;
  }
  const timespec times[2] = {{0, UTIME_OMIT}, modified ? *modified : timespec{}};
  whole = whole && got == 0 && (!modified || futimens(out, times) == 0);
  const Result<> failure = Result<>::Fail(Why("cannot copy", from));
  close(in);
  if (close(out) != 0 || !whole) {
    toFolder.RemoveFile(toName);
    return failure;
  }
  return Result<>::Ok();
}

Result<> CopyOrdinaryFile(const std::string& from, const std::string& to, mode_t mode) {
  const auto folderOf = [](const std::string& path) {
    return ContainedFolder::Open(path.substr(0, path.rfind('/') + 1));
  };
  const auto fromFolder = folderOf(from);
  const auto toFolder = folderOf(to);
  if (!fromFolder || !toFolder) {
    return Result<>::Fail(fromFolder ? toFolder.error() : fromFolder.error());
  }
  return CopyOrdinaryFile(*fromFolder, from.substr(from.rfind('/') + 1), *toFolder,
                          to.substr(to.rfind('/') + 1), mode);
}

std::string RestoreFolderOf(const std::string& workFolder) {
  return workFolder + "restore/";
}

namespace {

// The places that applying the changes deletes or overwrites.
std::vector<std::string> PlacesChangedBy(const ChangeList& changes) {
  std::vector<std::string> places;
  const auto place = [](const PendingChange& c) {
    return LocalPathOf("", std::string(c.Path) + std::string(c.Name));
  };
  for (const PendingChange& change : changes.DeleteList) {
    places.push_back(place(change) + (change.Type == "D" ? "/" : ""));
  }
  for (const PendingChange& change : changes.CreateList) {
    if (change.Type == "F") {
      places.push_back(place(change));
    }
  }
  return places;
}

}  // namespace

Result<std::string> SaveRestorePoint(const std::string& restoreFolder,
                                     const std::string& favoritesRoot,
                                     const std::vector<std::string>& places, const DateTime& now) {
  using Outcome = Result<std::string>;
  const auto root = ContainedFolder::Open(favoritesRoot);
  if (!root || std::none_of(places.begin(), places.end(), [&](const std::string& place) {
        return Savable(*root, place).has_value();
      })) {
    return Outcome::Ok("");
  }
  const std::string incomplete = restoreFolder + kIncompleteName;
  RemoveFolderTree(incomplete);  // what an interrupted save left
  mkdir(restoreFolder.c_str(), 0700);
  if (mkdir(incomplete.c_str(), 0700) != 0) {
    return Outcome::Fail(Why("cannot create", incomplete));
  }
  const auto pointFolder = ContainedFolder::Open(incomplete);
  if (!pointFolder) {
    RemoveFolderTree(incomplete);
    return Outcome::Fail(pointFolder.error());
  }
  PointWriter writer(*pointFolder, *root);
  for (const std::string& place : places) {
    if (Result<> saved = writer.Save(place); !saved) {
      RemoveFolderTree(incomplete);
      return Outcome::Fail(saved.error());
    }
  }
  char made[64];
  std::snprintf(made, sizeof made, "made %d %d %d %d %d %d\n", now.year, now.month, now.day,
                now.hour, now.minute, now.second);
  const std::vector<std::string> ids = PointIds(restoreFolder);
  const std::string id = std::to_string(ids.empty() ? 1 : std::stoul(ids.back()) + 1);
  const std::string manifest = incomplete + "/" + kManifestName;
  if (!WriteFileAtomically(manifest, made + writer.manifest(), 0600)) {
    RemoveFolderTree(incomplete);
    return Outcome::Fail("cannot write " + manifest);
  }
  if (rename(incomplete.c_str(), (restoreFolder + id).c_str()) != 0) {
    const Outcome failure = Outcome::Fail(Why("cannot create", restoreFolder + id));
    RemoveFolderTree(incomplete);
    return failure;
  }
  return Outcome::Ok(id);
}

Result<RestorePoint> ReadRestorePoint(const std::string& restoreFolder, const std::string& id) {
  using Outcome = Result<RestorePoint>;
  const std::string path = restoreFolder + id + "/" + kManifestName;
  std::istringstream text(ReadWholeFile(path));
  RestorePoint point{id, {}, {}};
  std::string line;
  if (!std::getline(text, line) ||
      std::sscanf(line.c_str(), "made %d %d %d %d %d %d", &point.made.year, &point.made.month,
                  &point.made.day, &point.made.hour, &point.made.minute, &point.made.second) != 6) {
    return Outcome::Fail("no restore point " + id + " in " + restoreFolder);
  }
  while (std::getline(text, line)) {
    SavedItem item;
    int placeAt = -1;
    long long seconds = 0;
    long nanoseconds = 0;
    char stored[16] = {};
    if (line.starts_with("D ")) {
      item.folder = true;
      placeAt = 2;
    } else if (std::sscanf(line.c_str(), "F %lld %ld %15s %n", &seconds, &nanoseconds, stored,
                           &placeAt) < 3) {
      placeAt = -1;
    }
    const auto place = placeAt < 0 ? std::nullopt : Unescaped(line.substr(placeAt));
    if (!place) {
      return Outcome::Fail("the manifest of restore point " + id + " is damaged");
    }
    item.place = *place;
    item.modified = {static_cast<std::time_t>(seconds), nanoseconds};
    item.stored = stored;
    point.items.push_back(std::move(item));
  }
  return Outcome::Ok(std::move(point));
}

std::vector<RestorePoint> ListRestorePoints(const std::string& restoreFolder) {
  std::vector<RestorePoint> points;
  for (const std::string& id : PointIds(restoreFolder)) {
    if (auto point = ReadRestorePoint(restoreFolder, id)) {
      points.push_back(std::move(*point));
    }
  }
  return points;
}

void PruneRestorePoints(const std::string& restoreFolder, const DateTime& now,
                        const RestoreRetention& retention) {
  const std::vector<RestorePoint> points = ListRestorePoints(restoreFolder);
  const std::time_t since = DateToFileTime(now) - std::time_t{retention.days} * 86400;
  std::vector<const RestorePoint*> kept;
  for (size_t i = 0; i < points.size(); ++i) {
    const bool newest = points.size() - i <= retention.newest;
    if (newest || DateToFileTime(points[i].made) >= since) {
      kept.push_back(&points[i]);
    } else {
      RemoveFolderTree(restoreFolder + points[i].id);
    }
  }
  std::uintmax_t total = 0;
  for (const RestorePoint* point : kept) {
    total += SizeOf(restoreFolder + point->id + "/");
  }
  for (size_t i = 0; i + 1 < kept.size() && total > retention.bytes; ++i) {
    total -= SizeOf(restoreFolder + kept[i]->id + "/");
    RemoveFolderTree(restoreFolder + kept[i]->id);
  }
}

Result<std::string> SaveRestorePointFor(const ChangeList& changes, const std::string& favoritesRoot,
                                        const std::string& restoreFolder, const DateTime& now) {
  auto saved = SaveRestorePoint(restoreFolder, favoritesRoot, PlacesChangedBy(changes), now);
  if (saved) {
    PruneRestorePoints(restoreFolder, now);
  }
  return saved;
}

}  // namespace kestrin
