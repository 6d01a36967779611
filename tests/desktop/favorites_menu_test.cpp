// The tray's Favorites menu as read from a real Favorites folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "desktop/favorites_menu.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

using Kind = desktop::FavoritesMenuEntry::Kind;

std::vector<std::string> Titles(const std::vector<desktop::FavoritesMenuEntry>& entries) {
  std::vector<std::string> titles;
  for (const auto& entry : entries) {
    titles.push_back(entry.title);
  }
  return titles;
}

// Folders first, then by name as a file manager lists them: case aside, numbers by value,
// leading zeros aside; a shortcut without its extension; only web and file links open.
TEST(FavoritesMenu, ListsFoldersFirstInNaturalOrderAndOpensOnlyLinks) {
  TempDir dir;
  const std::string root = dir.path();
  for (const char* folder : {"zeta", "Alpha", "b10", "b9"}) {
    std::filesystem::create_directory(root + folder);
  }
  for (const auto& [name, url] : std::initializer_list<std::pair<const char*, const char*>>{
           {"item 10.url", "https://ten.example/"},
           {"Item 9.url", "https://nine.example/"},
           {"Item 009b.url", "https://nine-b.example/"},
           {"mail.url", "mailto:a@example.net"},
           {"B.url", "file:///tmp/b.html"},
           {"a.url", "javascript:alert(1)"}}) {
    WriteFileBytes(root + name, std::string("[InternetShortcut]\r\nURL=") + url + "\r\n");
  }
  const auto entries = desktop::ReadFavoritesMenu(root, root);
  EXPECT_EQ(Titles(entries), (std::vector<std::string>{"Alpha", "b9", "b10", "zeta", "a", "B",
                                                       "Item 9", "Item 009b", "item 10", "mail"}));
  EXPECT_EQ(entries[1].kind, Kind::Folder);
  EXPECT_EQ(entries[1].target, root + "b9/");
  std::vector<bool> enabled;
  for (std::size_t i = 4; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].kind, Kind::Shortcut);
    enabled.push_back(entries[i].enabled);
  }
  EXPECT_EQ(enabled, (std::vector<bool>{false, true, true, true, true, false}));
}

TEST(FavoritesMenu, AnEmptyFolderSaysSo) {
  TempDir dir;
  const auto entries = desktop::ReadFavoritesMenu(dir.path(), dir.path());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].kind, Kind::Empty);
  EXPECT_EQ(entries[0].title, "(Empty)");
  EXPECT_FALSE(entries[0].enabled);
}

}  // namespace
}  // namespace kestrin::test
