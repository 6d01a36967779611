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

// The front end's order of titles, here the bytes' (each desktop program asks its system).
int ByteOrder(const std::string& a, const std::string& b) {
  return a.compare(b);
}

// Folders first, then by title in the front end's order; a shortcut without its extension;
// only web and file links open.
TEST(FavoritesMenu, ListsFoldersFirstInTheGivenOrderAndOpensOnlyLinks) {
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
  const auto entries = desktop::ReadFavoritesMenu(root, root, ByteOrder);
  EXPECT_EQ(Titles(entries),
            (std::vector<std::string>{"Alpha", "b10", "b9", "zeta", "B", "Item 009b", "Item 9", "a",
                                      "item 10", "mail"}));
  EXPECT_EQ(entries[2].kind, Kind::Folder);
  EXPECT_EQ(entries[2].target, root + "b9/");
  std::vector<bool> enabled;
  for (std::size_t i = 4; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].kind, Kind::Shortcut);
    enabled.push_back(entries[i].enabled);
  }
  EXPECT_EQ(enabled, (std::vector<bool>{true, true, true, false, true, false}));
}

TEST(FavoritesMenu, AnEmptyFolderSaysSo) {
  TempDir dir;
  const auto entries = desktop::ReadFavoritesMenu(dir.path(), dir.path(), ByteOrder);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].kind, Kind::Empty);
  EXPECT_EQ(entries[0].title, "(Empty)");
  EXPECT_FALSE(entries[0].enabled);
}

}  // namespace
}  // namespace kestrin::test
