// Where the Favorites folder is, and that it is made when missing.

#include "favorites/favorites_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/settings/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

TEST(GetFavoritesFolder, IsFavoritesInTheHomeFolderMadeWhenMissingAndEmptyWhenItCannotBe) {
  test::TempDir home;
  {
    test::ScopedEnvironment variable("HOME", home.path());
    EXPECT_EQ(GetFavoritesFolder(), home.path() + "Favorites/");
    EXPECT_TRUE(std::filesystem::is_directory(home.path() + "Favorites"));
    EXPECT_EQ(GetFavoritesFolder(), home.path() + "Favorites/");  // found again, not made again
  }
  test::ScopedEnvironment missingHome("HOME", home.path() + "missing/");
  EXPECT_EQ(GetFavoritesFolder(), "");
  test::TempDir other;
  test::WriteFileBytes(other.path() + "Favorites", "a file in the way");
  test::ScopedEnvironment fileInTheWay("HOME", other.path());
  EXPECT_EQ(GetFavoritesFolder(), "");
}

}  // namespace
}  // namespace kestrin
