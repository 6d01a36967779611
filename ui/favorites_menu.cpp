#include "ui/favorites_menu.h"

#include <QAction>
#include <QCollator>
#include <QMenu>
#include <algorithm>
#include <span>
#include <vector>

#include "favorites/folder_entries.h"
#include "favorites/shortcut_file.h"
#include "ui/plain_text.h"

namespace kestrin::ui {

// One folder's menu, filled from the folder when it is about to show and stale.
class FolderMenu : public QMenu {
 public:
  FolderMenu(const QString& title, std::string path, QWidget* parent)
      : QMenu(title, parent), path_(std::move(path)) {
    setToolTipsVisible(true);
  }

  const std::string& path() const { return path_; }
  bool stale = true;

 private:
  std::string path_;
};

namespace {

struct Entry {
  std::string name;
  QString title;
  bool folder;
};

// A menu item's text is plain: an "&" is itself, not the mark of a mnemonic.
QString ItemText(const QString& title) {
  return QString(title).replace('&', "&&");
}

// A shortcut's name without its extension: "Site.url" is shown as "Site".
std::string WithoutExtension(const std::string& name) {
  const std::size_t extension = name.size() >= 4 && name[name.size() - 4] == '.' ? 4 : 3;
  return name.substr(0, name.size() - extension);
}

// The folders and shortcuts of `folder` as a file manager lists them: folders first, then by
// name, case-insensitively and with numbers in their numeric order.
std::vector<Entry> ReadEntries(const std::string& folder, dev_t device) {
  std::vector<Entry> entries;
  VisitFolderEntries(folder, device, [&](const FolderEntry& entry) {
    if (entry.kind == EntryKind::Folder || entry.kind == EntryKind::Shortcut) {
      const bool isFolder = entry.kind == EntryKind::Folder;
      entries.push_back(
          {entry.name, Shown(isFolder ? entry.name : WithoutExtension(entry.name)), isFolder});
    }
  });
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  collator.setNumericMode(true);
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    if (a.folder != b.folder) {
      return a.folder;
    }
    const int order = collator.compare(a.title, b.title);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  return entries;
}

}  // namespace

FavoritesMenu::FavoritesMenu(std::string favoritesRoot, Opener open, QMenu& trayMenu)
    : QObject(&trayMenu), root_(std::move(favoritesRoot)), open_(std::move(open)) {
  top_ = NewFolderMenu(tr("Favorites"), root_, &trayMenu);
  top_->setObjectName("mnuTRAY_Favorites");
  QAction* first = trayMenu.actions().value(0);
  trayMenu.insertMenu(first, top_);
  trayMenu.insertSeparator(first);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FavoritesMenu::FolderChanged);
}

QMenu& FavoritesMenu::menu() const {
  return *top_;
}

FolderMenu* FavoritesMenu::NewFolderMenu(const QString& title, std::string path, QWidget* parent) {
  auto* menu = new FolderMenu(ItemText(title), std::move(path), parent);
  connect(menu, &QMenu::aboutToShow, this, [this, menu] {
    if (menu->stale) {
      Fill(*menu);
    }
  });
  const QString watched = QString::fromStdString(menu->path());
  connect(menu, &QObject::destroyed, this, [this, watched] {
    read_.remove(watched);
    watcher_.removePath(watched);
  });
  return menu;
}

void FavoritesMenu::Fill(FolderMenu& menu) {
  qDeleteAll(menu.findChildren<FolderMenu*>(Qt::FindDirectChildrenOnly));
  menu.clear();
  const std::optional<dev_t> device = FileSystemOf(root_);
  const std::vector<Entry> entries =
      device ? ReadEntries(menu.path(), *device) : std::vector<Entry>();
  const std::size_t shown = std::min(entries.size(), kMaxEntries);
  for (const Entry& entry : std::span(entries).first(shown)) {
    const std::string path = menu.path() + entry.name;
    if (entry.folder) {
      menu.addMenu(NewFolderMenu(entry.title, path + "/", &menu));
    } else {
      const std::string url = ReadShortcutValues(path).URL;
      AddEntry(menu, ItemText(entry.title), url, IsOpenableUrl(url));
    }
  }
  if (entries.size() > shown) {
    AddEntry(menu, tr("… %1 more").arg(entries.size() - shown), menu.path(), true);
  }
  if (entries.empty()) {
    menu.addAction(tr("(Empty)"))->setEnabled(false);
  }
  menu.stale = false;
  const QString watched = QString::fromStdString(menu.path());
  read_.insert(watched, &menu);
  if (device) {
    watcher_.addPath(watched);
  }
}

// An entry that opens `target`, a shortcut's URL or a folder, with it as its tooltip.
void FavoritesMenu::AddEntry(QMenu& menu, const QString& text, const std::string& target,
                             bool opens) {
  QAction* item = menu.addAction(text);
  item->setToolTip(AsPlainText(Shown(target)));
  item->setEnabled(opens);
  connect(item, &QAction::triggered, this, [this, target] {
    if (!open_ || !open_(target)) {
      emit openFailed(Shown(target));
    }
  });
}

void FavoritesMenu::FolderChanged(const QString& path) {
  if (FolderMenu* menu = read_.value(path)) {
    menu->stale = true;
  }
}

void FavoritesMenu::MarkAllStale() {
  for (FolderMenu* menu : std::as_const(read_)) {
    menu->stale = true;
  }
}

}  // namespace kestrin::ui
