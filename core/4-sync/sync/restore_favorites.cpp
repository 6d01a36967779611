#include "sync/restore_favorites.h"

#include <algorithm>

#include "favorites/record_rule.h"
#include "formats/printable_text.h"
#include "platform/atomic_file.h"
#include "platform/contained_folder.h"
#include "platform/posix_files.h"
#include "sync/restore_point.h"

namespace kestrin {
namespace {

constexpr char kAwaitingUploadName[] = "restored";

// A place that stays inside the Favorites folder whatever it names, on every system:
// relative, within the ceilings on paths, and each step a plain name.
bool StaysInside(const SavedItem& item) {
  const std::string_view place = item.folder
                                     ? std::string_view(item.place).substr(0, item.place.size() - 1)
                                     : std::string_view(item.place);
  if (place.empty() || place.size() > kMaxPathBytes || item.folder != item.place.ends_with('/') ||
      (!item.folder &&
       (item.stored.empty() || !std::all_of(item.stored.begin(), item.stored.end(), ::isdigit)))) {
    return false;
  }
  size_t steps = 0;
  for (size_t start = 0; start <= place.size(); ++steps) {
    const size_t end = std::min(place.find('/', start), place.size());
    if (!IsPlainName(place.substr(start, end - start))) {
      return false;
    }
    start = end + 1;
  }
  return steps <= kMaxPathComponents;
}

std::string WhyBlocked(BlockedWay why) {
  return why == BlockedWay::Link ? "a folder on the way is a link" : "cannot create the folder";
}

class Restorer {
 public:
  Restorer(const ContainedFolder& pointFolder, const ContainedFolder& favoritesRoot)
      : point_(pointFolder), root_(favoritesRoot) {}

  void PutBackFolder(const SavedItem& item) {
    if (const auto made = root_.Beneath(item.place, true); !made) {
      Refuse(item, WhyBlocked(made.error()));
    }
  }

  void PutBackFile(const SavedItem& item) {
    const FolderAndName at = SplitAtLastName(item.place);
    const auto holder = root_.Beneath(at.folder, true);
    if (!holder) {
      return Refuse(item, WhyBlocked(holder.error()));
    }
    struct stat info;
    if (holder->Status(at.name, &info) == 0 && S_ISDIR(info.st_mode)) {
      return Refuse(item, "a folder stands there");
    }
    holder->RemoveFile(at.name);  // a link standing there goes itself; it is never followed
    if (Result<> copied =
            CopyOrdinaryFile(point_, item.stored, *holder, at.name, 0644, &item.modified);
        !copied) {
      Refuse(item, copied.error());
    }
  }

  std::vector<std::string> TakeRefused() { return std::move(refused_); }

 private:
  void Refuse(const SavedItem& item, const std::string& why) {
    refused_.push_back(PrintableText(item.place) + ": " + why);
  }

  const ContainedFolder& point_;
  const ContainedFolder& root_;
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
  const auto pointFolder = ContainedFolder::Open(restoreFolder + point->id);
  const auto root = ContainedFolder::Open(favoritesRoot);
  if (!pointFolder || !root) {
    return Outcome::Fail(pointFolder ? root.error() : pointFolder.error());
  }
  const auto undo = SaveRestorePoint(restoreFolder, favoritesRoot, overwritten, now);
  if (!undo) {
    return Outcome::Fail(undo.error());
  }
  Restorer restorer(*pointFolder, *root);
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
