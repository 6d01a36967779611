// The tray's Favorites menu, opened as the tray opens it.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLocale>
#include <QMenu>
#include <filesystem>

#include "desktop/favorites_menu.h"
#include "tests/ui/ui_test_support.h"

namespace kestrin::test {
namespace {

// The items a menu shows once it is about to: a folder's text ends in "/", an unavailable
// item's begins with "-".
QStringList Opened(QMenu& menu) {
  emit menu.aboutToShow();
  QStringList items;
  for (const QAction* item : menu.actions()) {
    items << (item->menu() ? item->text() + "/" : (item->isEnabled() ? "" : "-") + item->text());
  }
  return items;
}

QMenu& Submenu(QMenu& menu, int index) {
  return *menu.actions().at(index)->menu();
}

TEST(FavoritesMenu, MirrorsTheFolderAsItOpensAndOpensWebAndFileLinksOnly) {
  TestComputer computer;
  const std::string root = computer.favoritesRoot();
  computer.AddShortcut("b.url", "https://b.example/");
  computer.AddShortcut("Tom & Jerry.URL", "HTTP://tj.example/");
  computer.AddShortcut("item 10.url", "ftp://ten.example/");
  computer.AddShortcut("Item 9.url", "file:///tmp/nine");
  computer.AddShortcut("Éclair.url", "https://eclair.example/");
  computer.AddShortcut("script.url", "javascript:alert(1)");
  computer.AddShortcut("zeta/x.url", "https://x.example/");
  computer.AddShortcut("Alpha/deep/y.url", "https://y.example/");
  std::filesystem::create_directory(root + "Nothing");
  std::filesystem::create_directory_symlink(root + "zeta", root + "linked");
  std::filesystem::create_symlink(root + "b.url", root + "linked.url");
  ui::MainWindow& window = computer.Start();
  QMenu& favorites = window.favoritesMenu().menu();
  EXPECT_EQ(window.controls().mnuTRAY->actions().first()->menu(), &favorites);
  EXPECT_TRUE(favorites.actions().isEmpty());

  const QLocale system;
  // Numbers in order, and an accented letter with its plain one.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(Opened(favorites), QStringList({"Alpha/", "Nothing/", "zeta/", "b", "Éclair", "Item 9",
                                            "item 10", "-script", "Tom && Jerry"}));
  QLocale::setDefault(system);
  EXPECT_TRUE(Submenu(favorites, 2).actions().isEmpty());
  EXPECT_EQ(Opened(Submenu(favorites, 2)), QStringList({"x"}));
  EXPECT_EQ(Opened(Submenu(favorites, 1)), QStringList({"-(Empty)"}));
  EXPECT_EQ(favorites.actions().at(3)->toolTip(), "https://b.example/");

  favorites.actions().at(8)->trigger();
  favorites.actions().at(3)->trigger();
  EXPECT_EQ(computer.openedDocuments(),
            std::vector<std::string>({"HTTP://tj.example/", "https://b.example/"}));
}

TEST(FavoritesMenu, AFolderOfMoreEntriesThanAMenuShowsEndsInOneThatOpensTheFolder) {
  TestComputer computer;
  for (std::size_t i = 0; i < desktop::kMaxFavoritesMenuEntries + 2; ++i) {
    computer.AddShortcut("many/" + std::to_string(i) + ".url", "https://example.org/");
  }
  QMenu& favorites = computer.Start().favoritesMenu().menu();
  Opened(favorites);
  const QStringList items = Opened(Submenu(favorites, 0));
  EXPECT_EQ(items.size(), desktop::kMaxFavoritesMenuEntries + 1);
  EXPECT_EQ(items.last(), "… 2 more");
  Submenu(favorites, 0).actions().last()->trigger();
  EXPECT_EQ(computer.openedDocuments(),
            std::vector<std::string>{computer.favoritesRoot() + "many/"});
}

// A folder's menu is read again at its next showing once the folder changed, and after a
// run, which may have changed a shortcut in place.
TEST(FavoritesMenu, ShowsTheFolderAsItIsAfterAChangeOrARun) {
  TestComputer computer;
  computer.AddShortcut("a/old.url", "https://old.example/");
  ui::MainWindow& window = computer.Start();
  QMenu& favorites = window.favoritesMenu().menu();
  Opened(favorites);
  QMenu& folder = Submenu(favorites, 0);
  EXPECT_EQ(Opened(folder), QStringList({"old"}));

  std::filesystem::rename(computer.favoritesRoot() + "a/old.url",
                          computer.favoritesRoot() + "a/new.url");
  for (int events = 0; events < 50 && Opened(folder) != QStringList({"new"}); ++events) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  }
  EXPECT_EQ(Opened(folder), QStringList({"new"}));

  computer.AddShortcut("a/new.url", "https://changed.example/");
  MessageBoxAnswerer boxes;
  window.SyncNow();
  Opened(folder);
  EXPECT_EQ(folder.actions().at(0)->toolTip(), "https://changed.example/");
}

}  // namespace
}  // namespace kestrin::test
