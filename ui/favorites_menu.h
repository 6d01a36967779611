#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <string>

class QMenu;

namespace kestrin::ui {

class FolderMenu;

// The tray's "Favorites" menu drawn: the entries desktop/favorites_menu.h reads, as menus.
// A folder's menu is read when it is about to show, and read again at its next showing once
// the folder has changed or a run has ended, so a large folder costs nothing until looked at.
class FavoritesMenu : public QObject {
  Q_OBJECT

 public:
  // Adds the menu at the top of `trayMenu`; `favoritesRoot` ends in "/".
  FavoritesMenu(std::string favoritesRoot, QMenu& trayMenu);

  QMenu& menu() const;
  // Every menu read so far is read again when it next shows: a run may have changed anything.
  void MarkAllStale();

 signals:
  // An entry was chosen: its URL, or the folder whose entries did not all fit.
  void chosen(const std::string& target);

 private:
  FolderMenu* NewFolderMenu(const QString& title, std::string path, QWidget* parent);
  void Fill(FolderMenu& menu);
  void FolderChanged(const QString& path);

  std::string root_;
  QFileSystemWatcher watcher_;
  QHash<QString, FolderMenu*> read_;  // the menus read so far, by their folder as watched
  FolderMenu* top_;
};

}  // namespace kestrin::ui
