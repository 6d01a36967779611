#include "ui/favorites_menu.h"

#include <QAction>
#include <QCollator>
#include <QMenu>

#include "desktop/favorites_menu.h"
#include "favorites/folder_entries.h"
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
// A menu item's text is plain: an "&" is itself, not the mark of a mnemonic.
QString ItemText(QString title) {
  return title.replace('&', "&&");
}
}  // namespace

FavoritesMenu::FavoritesMenu(std::string favoritesRoot, QMenu& trayMenu)
    : QObject(&trayMenu), root_(std::move(favoritesRoot)) {
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
  QCollator collator;  // the language of the moment
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  collator.setNumericMode(true);
  const auto order = [&collator](const std::string& a, const std::string& b) {
    return collator.compare(QString::fromStdString(a), QString::fromStdString(b));
  };
  for (const desktop::FavoritesMenuEntry& entry :
       desktop::ReadFavoritesMenu(menu.path(), root_, order)) {
    if (entry.kind == desktop::FavoritesMenuEntry::Kind::Folder) {
      menu.addMenu(NewFolderMenu(QString::fromStdString(entry.title), entry.target, &menu));
      continue;
    }
    QAction* item = menu.addAction(ItemText(QString::fromStdString(entry.title)));
    item->setEnabled(entry.enabled);
    if (entry.kind == desktop::FavoritesMenuEntry::Kind::Empty) {
      continue;
    }
    // The target is data: escaped for the tooltip, which would render markup.
    item->setToolTip(AsPlainText(Shown(entry.target)));
    connect(item, &QAction::triggered, this,
            [this, target = entry.target] { emit chosen(target); });
  }
  menu.stale = false;
  const QString watched = QString::fromStdString(menu.path());
  read_.insert(watched, &menu);
  if (FileSystemOf(root_)) {
    watcher_.addPath(watched);
  }
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
