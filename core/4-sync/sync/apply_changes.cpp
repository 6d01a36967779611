#include "sync/apply_changes.h"

#include <algorithm>

#include "favorites/favorites_path.h"
#include "favorites/record_rule.h"
#include "favorites/shortcut_file.h"
#include "platform/posix_files.h"

namespace kestrin {
namespace {

// Path + Name: the change's place below the Favorites folder.
std::string RelativePathOf(const PendingChange& change) {
  return std::string(change.Path).append(change.Name);
}

// The change's place below the Favorites folder: the folder that holds it and its name.
FolderAndName PlaceOf(std::string_view relativePath) {
  return SplitAtLastName(LocalPathOf("", relativePath));
}

// Removes from the folder `name` in `holder` what a scan would list, its shortcuts and
// sub-folders, then the folders left empty; nothing on another file system. True when the
// folder itself is gone.
bool RemoveShortcutTree(const ContainedFolder& holder, const std::string& name, dev_t device) {
  {
    const auto folder = holder.Beneath(name);
    if (!folder) {
      return false;
    }
    for (const std::string& entry : folder->Entries()) {
      struct stat info;
      if (folder->Status(entry, &info) != 0 || info.st_dev != device) {
        continue;  // gone meanwhile, or another file system mounted here: not our favorites
      }
      if (S_ISDIR(info.st_mode)) {
        RemoveShortcutTree(*folder, entry, device);
      } else if (S_ISREG(info.st_mode) && HasShortcutName(entry)) {
        folder->RemoveFile(entry);
      }
    }
  }  // let go of the folder before removing it
  return holder.RemoveFolder(name) == 0;
}

// A shortcut written from the shared list keeps the time of the edit it carries, so that a
// copy passed on is never taken for a newer edit; an unreadable time gives the time of writing.
std::optional<std::time_t> ModifiedOf(const PendingChange& change,
                                      const GeneralDateFormat& dateFormat) {
  const std::optional<DateTime> modified = ParseGeneralDate(change.Modified, dateFormat);
  return modified ? std::optional(DateToFileTime(*modified)) : std::nullopt;
}

class ChangeApplier {
 public:
  ChangeApplier(ApplyOccasion occasion, const std::string& favoritesRoot,
                const GeneralDateFormat& dateFormat, ActivityReporter& activity)
      : occasion_(occasion),
        root_(ContainedFolder::Open(favoritesRoot)),
        dateFormat_(dateFormat),
        activity_(activity) {
    struct stat info;
    rootDevice_ = root_ && root_->OwnStatus(&info) == 0 ? info.st_dev : dev_t{};
  }

  void DeleteShortcut(const PendingChange& change) {
    const FolderAndName place = PlaceOf(RelativePathOf(change));
    const auto holder = Reach(change, place.folder);
    struct stat info;
    if (!holder || holder->Status(place.name, &info) != 0 ||
        !(S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))) {
      return;
    }
    Report(ShortcutLine("-> Deleting Shortcut: ", change));
    if (holder->RemoveFile(place.name) != 0) {
      Fail("Unable to Delete Shortcut: ", change);
    }
  }

  void DeleteFolder(const PendingChange& change) {
    const FolderAndName place = PlaceOf(change.Path);
    const auto holder = Reach(change, place.folder);
    struct stat info;
    if (!holder || holder->Status(place.name, &info) != 0) {
      return;
    }
    Report("-> Deleting Folder: " + std::string(change.Path));
    if (S_ISLNK(info.st_mode)) {
      holder->RemoveFile(place.name);  // the link goes; where it leads is not ours
    } else if (S_ISDIR(info.st_mode) && (info.st_dev != rootDevice_ ||
                                         !RemoveShortcutTree(*holder, place.name, rootDevice_))) {
      Report("-> Keeping Folder: " + std::string(change.Path) +
             "\\ (holds files that are not shortcuts)..");
    }
  }

  void CreateFolder(const PendingChange& change) {
    const std::string folder = LocalPathOf("", change.Path);
    if (Reach(change, folder)) {
      return;
    }
    if (!linkFound_) {
      Report("-> Creating Folder: " + std::string(change.Path) + "\\");
      // A file or a link of that name, or a name the file system refuses, leaves no folder;
      // what the shared list holds there must not be taken for deleted here.
      if (!Reach(change, folder, true) && !linkFound_) {
        Fail("Unable to Create Folder: ", change);
      }
    }
  }

  void CreateShortcut(const PendingChange& change) {
    const FolderAndName place = PlaceOf(RelativePathOf(change));
    auto holder = Reach(change, place.folder);
    if (!holder && !linkFound_) {
      Report("-> Creating Folder: " + std::string(change.Path));
      holder = Reach(change, place.folder, true);
    }
    if (linkFound_) {
      return;
    }
    struct stat info;
    if (holder && holder->Status(place.name, &info) == 0 &&
        (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))) {
      Report(ShortcutLine("-> Deleting Shortcut: ", change));
      holder->RemoveFile(place.name);
    }
    Report(ShortcutLine("-> Creating Shortcut: ", change));
    if (!holder || !WriteShortcutFile(*holder, place.name, change.URL, change.IconFile,
                                      change.IconIndex, true, ModifiedOf(change, dateFormat_))) {
      Fail("Unable to Create Shortcut: ", change);
    }
  }

  // The rows that could not be carried out.
  std::vector<PendingChange> TakeFailures() { return std::move(failures_); }

 private:
  std::string ShortcutLine(const std::string& verb, const PendingChange& change) const {
    const std::string relative = RelativePathOf(change);
    const std::string url(change.URL);
    return occasion_ == ApplyOccasion::Direct ? verb + url + " (" + relative + ")"
                                              : verb + relative + " (" + url + ")";
  }

  // The folder below the Favorites folder, never through a link: one on the way is
  // reported, and linkFound_ tells so.
  std::optional<ContainedFolder> Reach(const PendingChange& change, const std::string& folder,
                                       bool create = false) {
    linkFound_ = false;
    if (!root_) {
      return std::nullopt;
    }
    auto reached = root_->Beneath(folder, create);
    if (reached) {
      return std::move(*reached);
    }
    if (reached.error() == BlockedWay::Link) {
      linkFound_ = true;
      Fail("Unable to Follow Link to ", change);
    }
    return std::nullopt;
  }

  void Report(const std::string& line) { activity_.ReportActivity(line, StatusImage::Working); }

  void Fail(const std::string& text, const PendingChange& change) {
    activity_.ReportActivity("Error: " + text + RelativePathOf(change), StatusImage::Error);
    failures_.push_back(change);
  }

  ApplyOccasion occasion_;
  const Result<ContainedFolder> root_;
  dev_t rootDevice_;
  const GeneralDateFormat& dateFormat_;
  ActivityReporter& activity_;
  bool linkFound_ = false;
  std::vector<PendingChange> failures_;
};

}  // namespace

std::vector<PendingChange> ApplyChanges(const ChangeList& changes, ApplyOccasion occasion,
                                        const std::string& favoritesRoot,
                                        const GeneralDateFormat& dateFormat,
                                        ActivityReporter& activity) {
  ChangeApplier applier(occasion, favoritesRoot, dateFormat, activity);
  RunProgress& progress = activity.progress();
  const auto pass = [&progress](const char* task, const std::vector<PendingChange>& list,
                                std::string_view type, auto&& apply) {
    const auto ofType = [type](const PendingChange& change) { return change.Type == type; };
    progress.Begin(task, static_cast<std::size_t>(std::count_if(list.begin(), list.end(), ofType)));
    for (const PendingChange& change : list) {
      if (ofType(change)) {
        apply(change);
        progress.Step();
      }
    }
    progress.End();
  };
  pass("Deleting shortcuts", changes.DeleteList, "F",
       [&](const auto& c) { applier.DeleteShortcut(c); });
  pass("Deleting folders", changes.DeleteList, "D",
       [&](const auto& c) { applier.DeleteFolder(c); });
  pass("Creating folders", changes.CreateList, "D",
       [&](const auto& c) { applier.CreateFolder(c); });
  pass("Creating shortcuts", changes.CreateList, "F",
       [&](const auto& c) { applier.CreateShortcut(c); });
  return applier.TakeFailures();
}

bool IsFavoritesChangeLine(std::string_view line) {
  for (const std::string_view action : {"-> Creating Folder: ", "-> Creating Shortcut: ",
                                        "-> Deleting Folder: ", "-> Deleting Shortcut: "}) {
    if (line.starts_with(action)) {
      return true;
    }
  }
  return false;
}

}  // namespace kestrin
