#include "sync/restore_favorites.h"

#include <algorithm>

#include "favorites/record_rule.h"
#include "formats/printable_text.h"
#include "platform/atomic_file.h"
#include "platform/posix_files.h"
#include "sync/apply_changes.h"
#include "sync/restore_point.h"

namespace kestrin {
namespace {

constexpr char kAwaitingUploadName[] = "restored";

// A place that stays inside the Favorites folder whatever it names: relative, within the
// ceilings on paths, and without an empty, "." or ".." step.
bool StaysInside(const SavedItem& item) {
  const std::string_view place = item.folder
                                     ? std::string_view(item.place).substr(0, item.place.size() - 1)
                                     : std::string_view(item.place);
  if (place.empty() || place.size() > kMaxPathBytes || item.folder != item.place.ends_with('/') ||
      place.find('\0') != place.npos ||
      (!item.folder &&
       (item.stored.empty() || !std::all_of(item.stored.begin(), item.stored.end(), ::isdigit)))) {
    return false;
  }
  size_t steps = 0;
  for (size_t start = 0; start <= place.size(); ++steps) {
    const size_t end = std::min(place.find('/', start), place.size());
    const std::string_view step = place.substr(start, end - start);
    if (step.empty() || step == "." || step == "..") {
      return false;
    }
    start = end + 1;
  }
  return steps <= kMaxPathComponents;
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

class Restorer {
 public:
  Restorer(const std::string& pointFolder, const std::string& favoritesRoot)
      : point_(pointFolder), root_(favoritesRoot) {}

  void PutBackFolder(const SavedItem& item) {
    const std::string path = root_ + item.place;
    if (PassesThroughLink(root_, path)) {
      return Refuse(item, "a folder on the way is a link");
    }
    CreateFolderPath(path);
    if (!IsFolder(path.substr(0, path.size() - 1))) {
      Refuse(item, "cannot create the folder");
    }
  }

  void PutBackFile(const SavedItem& item) {
    const std::string path = root_ + item.place;
    if (PassesThroughLink(root_, path)) {
      return Refuse(item, "a folder on the way is a link");
    }
    CreateFolderPath(path.substr(0, path.rfind('/') + 1));
    if (IsFolder(path)) {
      return Refuse(item, "a folder stands there");
    }
    unlink(path.c_str());  // a link standing there goes itself; it is never followed
    if (Result<> copied = CopyOrdinaryFile(point_ + item.stored, path, 0644, &item.modified);
        !copied) {
      Refuse(item, copied.error());
    }
  }

  std::vector<std::string> TakeRefused() { return std::move(refused_); }

 private:
  void Refuse(const SavedItem& item, const std::string& why) {
    refused_.push_back(PrintableText(item.place) + ": " + why);
  }

  const std::string point_;
  const std::string& root_;
  std::vector<std::string> refused_;
};

}  // namespace

Result<RestoreOutcome> RestoreFavorites(const std::string& restoreFolder, const std::string& id,
                                        const std::string& favoritesRoot, const DateTime& now) {
  using Outcome = Result<RestoreOutcome>;
  const std::vector<RestorePoint> points =
      id.empty() ? ListRestorePoints(restoreFolder) : std::vector<RestorePoint>{};
  if (id.empty() && points.empty()) {
    return Outcome::Fail("there is no restore point in " + restoreFolder);
  }
  auto point =
      id.empty() ? Result<RestorePoint>::Ok(points.back()) : ReadRestorePoint(restoreFolder, id);
  if (!point) {
    return Outcome::Fail(point.error());
  }
  std::vector<std::string> overwritten;
  for (const SavedItem& item : point->items) {
    if (!StaysInside(item)) {
      return Outcome::Fail("restore point " + point->id + " names a place outside the " +
                           "Favorites folder: " + PrintableText(item.place));
    }
    if (!item.folder) {
      overwritten.push_back(item.place);
    }
  }
  const auto undo = SaveRestorePoint(restoreFolder, favoritesRoot, overwritten, now);
  if (!undo) {
    return Outcome::Fail(undo.error());
  }
  Restorer restorer(restoreFolder + point->id + "/", favoritesRoot);
  for (const SavedItem& item : point->items) {
    if (item.folder) {
      restorer.PutBackFolder(item);
    }
  }
  for (const SavedItem& item : point->items) {
    if (!item.folder) {
      restorer.PutBackFile(item);
    }
  }
  PruneRestorePoints(restoreFolder, now);
  std::vector<std::string> refused = restorer.TakeRefused();
  if (const Result<> marked = MarkRestoreAwaitingUpload(restoreFolder); !marked) {
    refused.push_back("the next sync may delete what was put back: " + marked.error());
  }
  return Outcome::Ok({*undo, std::move(refused)});
}

bool RestoreAwaitsUpload(const std::string& restoreFolder) {
  return access((restoreFolder + kAwaitingUploadName).c_str(), F_OK) == 0;
}

Result<> MarkRestoreAwaitingUpload(const std::string& restoreFolder) {
  mkdir(restoreFolder.c_str(), 0700);  // an import may come before any restore point
  return WriteFileAtomically(restoreFolder + kAwaitingUploadName, "", 0600);
}

void ForgetRestoreAwaitingUpload(const std::string& restoreFolder) {
  unlink((restoreFolder + kAwaitingUploadName).c_str());
}

}  // namespace kestrin
