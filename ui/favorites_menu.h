#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <cstddef>
#include <functional>
#include <string>

class QMenu;

namespace kestrin::ui {

class FolderMenu;

// The tray's "Favorites" menu: the Favorites folder as menus of its folders and shortcuts.
// A folder's menu is read when it is about to show, and read again at its next showing once
// the folder has changed or a run has ended, so a large folder costs nothing until looked at.
class FavoritesMenu : public QObject {
  Q_OBJECT

 public:
  // Asks the desktop to open a URL in the default browser, or a folder in the file
  // manager; false when it could not ask.
  using Opener = std::function<bool(const std::string& target)>;

  // Adds the menu at the top of `trayMenu`; `favoritesRoot` ends in "/".
  FavoritesMenu(std::string favoritesRoot, Opener open, QMenu& trayMenu);

  QMenu& menu() const;
  // Every menu read so far is read again when it next shows: a run may have changed anything.
  void MarkAllStale();

  // A menu shows at most this many entries (reading 10 000 shortcuts and laying them out
  // takes about half a second, and no one scrolls through them in a menu); a last entry
  // "… N more" opens the folder itself.
  static constexpr std::size_t kMaxEntries = 1000;

 signals:
  void openFailed(const QString& url);

 private:
  FolderMenu* NewFolderMenu(const QString& title, std::string path, QWidget* parent);
  void Fill(FolderMenu& menu);
  void AddEntry(QMenu& menu, const QString& text, const std::string& target, bool opens);
  void FolderChanged(const QString& path);

  std::string root_;
  Opener open_;
  QFileSystemWatcher watcher_;
  QHash<QString, FolderMenu*> read_;  // the menus read so far, by their folder as watched
  FolderMenu* top_;
};

}  // namespace kestrin::ui
