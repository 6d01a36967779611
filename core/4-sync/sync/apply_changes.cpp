#include "sync/apply_changes.h"

#include <algorithm>

#include "favorites/favorites_path.h"
#include "favorites/shortcut_file.h"
#include "platform/folder_entries.h"
#include "platform/posix_files.h"

namespace kestrin {
namespace {

bool Lstat(const std::string& path, struct stat& info) {
  return lstat(path.c_str(), &info) == 0;
}

// A folder, a file or a link of that name (a trailing "/" asks for a folder).
bool FolderTestFinds(const std::string& path) {
  struct stat info;
  if (!path.empty() && path.back() == '/') {
    return Lstat(path.substr(0, path.size() - 1), info) && S_ISDIR(info.st_mode);
  }
  return Lstat(path, info);
}

// An ordinary file, or a link standing where a shortcut file would be.
bool FileTestFinds(const std::string& path) {
  struct stat info;
  return Lstat(path, info) && (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode));
}

// Path + Name: the change's place below the Favorites folder.
std::string RelativePathOf(const PendingChange& change) {
  return std::string(change.Path).append(change.Name);
}

// Deletes the folder with everything in it that lies on the file system `device`. Another
// file system mounted below (a disk, a share) is not the user's favorites: it stays whole.
void RemoveTreeOn(const std::string& path, dev_t device) {
  struct stat info;
  if (!Lstat(path, info)) {
    return;
  }
  if (S_ISLNK(info.st_mode)) {
    unlink(path.c_str());
    return;
  }
  if (!S_ISDIR(info.st_mode) || info.st_dev != device) {
    return;
  }
  // The listing is read whole first, so a sub-folder that cannot be removed is left in
  // place instead of being found again and again.
  for (const std::string& name : FolderEntries(path)) {
    const std::string child = path + "/" + name;
    struct stat childInfo;
    if (Lstat(child, childInfo) && S_ISDIR(childInfo.st_mode)) {
      RemoveTreeOn(child, device);
    } else {
      unlink(child.c_str());
    }
  }
  rmdir(path.c_str());
}

class ChangeApplier {
 public:
  ChangeApplier(ApplyOccasion occasion, const std::string& favoritesRoot,
                ActivityReporter& activity)
      : occasion_(occasion), root_(favoritesRoot), activity_(activity) {}

  void DeleteShortcut(const PendingChange& change) {
    const std::string file = LocalPathOf(root_, RelativePathOf(change));
    if (!Reachable(change, file) || !FileTestFinds(file)) {
      return;
    }
    Report(ShortcutLine("-> Deleting Shortcut: ", change));
    if (unlink(file.c_str()) != 0) {
      Fail("Unable to Delete Shortcut: ", change);
    }
  }

  void DeleteFolder(const PendingChange& change) {
    const std::string folder = LocalPathOf(root_, change.Path);
    if (!Reachable(change, folder) || !FolderTestFinds(folder)) {
      return;
    }
    Report("-> Deleting Folder: " + std::string(change.Path));
    RemoveFolderTree(folder);
  }

  void CreateFolder(const PendingChange& change) {
    const std::string folder = LocalPathOf(root_, change.Path) + "/";
    if (!Reachable(change, folder) || FolderTestFinds(folder)) {
      return;
    }
    Report("-> Creating Folder: " + std::string(change.Path) + "\\");
    CreateFolderPath(folder);
    // A file or a link of that name, or a name the file system refuses, leaves no folder;
    // what the shared list holds there must not be taken for deleted here.
    if (!FolderTestFinds(folder)) {
      Fail("Unable to Create Folder: ", change);
    }
  }

  void CreateShortcut(const PendingChange& change) {
    const std::string holder = LocalPathOf(root_, change.Path);
    const std::string file = LocalPathOf(root_, RelativePathOf(change));
    if (!Reachable(change, file)) {
      return;
    }
    if (!FolderTestFinds(holder)) {
      Report("-> Creating Folder: " + std::string(change.Path));
      CreateFolderPath(holder);
    }
    if (FileTestFinds(file)) {
      Report(ShortcutLine("-> Deleting Shortcut: ", change));
      unlink(file.c_str());
    }
    Report(ShortcutLine("-> Creating Shortcut: ", change));
    if (!WriteShortcutFile(file, change.URL, change.IconFile, change.IconIndex, true)) {
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

  bool Reachable(const PendingChange& change, const std::string& path) {
    if (!PassesThroughLink(root_, path)) {
      return true;
    }
    Fail("Unable to Follow Link to ", change);
    return false;
  }

  void Report(const std::string& line) { activity_.ReportActivity(line, StatusImage::Working); }

  void Fail(const std::string& text, const PendingChange& change) {
    activity_.ReportActivity("Error: " + text + RelativePathOf(change), StatusImage::Error);
    failures_.push_back(change);
  }

  ApplyOccasion occasion_;
  const std::string& root_;
  ActivityReporter& activity_;
  std::vector<PendingChange> failures_;
};

}  // namespace

std::vector<PendingChange> ApplyChanges(const ChangeList& changes, ApplyOccasion occasion,
                                        const std::string& favoritesRoot,
                                        ActivityReporter& activity) {
  ChangeApplier applier(occasion, favoritesRoot, activity);
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

bool PassesThroughLink(const std::string& favoritesRoot, const std::string& path) {
  for (size_t slash = path.find('/', favoritesRoot.size()); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    struct stat info;
    if (Lstat(path.substr(0, slash), info) && S_ISLNK(info.st_mode)) {
      return true;
    }
  }
  return false;
}

void CreateFolderPath(const std::string& path) {
  if (FolderTestFinds(path)) {
    return;
  }
  // Outermost first, in one walk: a folder that is there already refuses to be made again,
  // so each level needs no test of its own.
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash + 1).c_str(), 0755);
  }
}

void RemoveFolderTree(const std::string& path) {
  struct stat holder;
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && Lstat(slash == 0 ? "/" : path.substr(0, slash), holder)) {
    RemoveTreeOn(path, holder.st_dev);
  }
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
