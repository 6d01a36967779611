#include "sync/restore_point.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

#include "favorites/favorites_path.h"
#include "formats/printable_text.h"
#include "platform/atomic_file.h"
#include "platform/folder_entries.h"
#include "platform/posix_files.h"
#include "platform/whole_file.h"
#include "sync/apply_changes.h"

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

// True when a file (a place without a trailing "/") or a folder (one with) stands at the
// place, not behind a link; `info` then describes it.
bool Savable(const std::string& favoritesRoot, const std::string& place, struct stat& info) {
  const std::string path = favoritesRoot + place;
  if (PassesThroughLink(favoritesRoot, path) || lstat(path.c_str(), &info) != 0) {
    return false;
  }
  return place.ends_with('/') ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode);
}

// Writes one point into a folder of its own, file by file.
class PointWriter {
 public:
  PointWriter(const std::string& folder, const std::string& favoritesRoot)
      : folder_(folder), root_(favoritesRoot) {}

  Result<> Save(const std::string& place) {
    struct stat info;
    if (!Savable(root_, place, info)) {
      return Result<>::Ok();
    }
    return S_ISDIR(info.st_mode) ? SaveFolder(place, info.st_dev) : SaveFile(place, info);
  }

  const std::string& manifest() const { return manifest_; }

 private:
  // A folder is removed with everything in it that lies on its own file system.
  Result<> SaveFolder(const std::string& place, dev_t device) {
    manifest_ += "D " + Escaped(place) + "\n";
    for (const std::string& name : FolderEntries(root_ + place)) {
      struct stat info;
      const std::string child = place + name;
      if (lstat((root_ + child).c_str(), &info) != 0) {
        continue;
      }
      if (S_ISDIR(info.st_mode) && info.st_dev == device) {
        if (Result<> saved = SaveFolder(child + "/", device); !saved) {
          return saved;
        }
      } else if (S_ISREG(info.st_mode)) {
        if (Result<> saved = SaveFile(child, info); !saved) {
          return saved;
        }
      }
    }
    return Result<>::Ok();
  }

  Result<> SaveFile(const std::string& place, const struct stat& info) {
    if (!saved_.insert(place).second) {
      return Result<>::Ok();  // a shortcut deleted on its own and with its folder
    }
    const std::string stored = std::to_string(++files_);
    if (Result<> copied = CopyOrdinaryFile(root_ + place, folder_ + stored, 0600); !copied) {
      return copied;
    }
    manifest_ += "F " + std::to_string(info.st_mtim.tv_sec) + " " +
                 std::to_string(info.st_mtim.tv_nsec) + " " + stored + " " + Escaped(place) + "\n";
    return Result<>::Ok();
  }

  const std::string folder_;
  const std::string& root_;
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

std::chrono::sys_seconds SecondsOf(const DateTime& when) {
  using namespace std::chrono;
  const sys_days day = year{when.year} / month(when.month) / when.day;
  return day + hours(when.hour) + minutes(when.minute) + seconds(when.second);
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

Result<> CopyOrdinaryFile(const std::string& from, const std::string& to, mode_t mode,
                          const timespec* modified) {
  const int in = open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0) {
    return Result<>::Fail(Why("cannot read", from));
  }
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
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
    unlink(to.c_str());
    return failure;
  }
  return Result<>::Ok();
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
  struct stat info;
  if (std::none_of(places.begin(), places.end(),
                   [&](const std::string& place) { return Savable(favoritesRoot, place, info); })) {
    return Outcome::Ok("");
  }
  const std::string incomplete = restoreFolder + kIncompleteName;
  RemoveFolderTree(incomplete);  // what an interrupted save left
  mkdir(restoreFolder.c_str(), 0700);
  if (mkdir(incomplete.c_str(), 0700) != 0) {
    return Outcome::Fail(Why("cannot create", incomplete));
  }
  PointWriter writer(incomplete + "/", favoritesRoot);
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
  const auto since = SecondsOf(now) - std::chrono::days(retention.days);
  std::vector<const RestorePoint*> kept;
  for (size_t i = 0; i < points.size(); ++i) {
    const bool newest = points.size() - i <= retention.newest;
    if (newest || SecondsOf(points[i].made) >= since) {
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
