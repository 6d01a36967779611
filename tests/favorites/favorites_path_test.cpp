// Where the Favorites folder is, and that it is made when missing.

#include "favorites/favorites_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/settings/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TEST(GetFavoritesFolder, IsFavoritesInTheHomeFolderCreatedWhenMissing) {
  test::TempDir home;
  test::ScopedEnvironment variable("HOME", home.path());
  const std::string expected = home.path() + "Favorites/";
  ASSERT_FALSE(IsDirectory(expected));
  EXPECT_EQ(GetFavoritesFolder(), expected);
  EXPECT_TRUE(IsDirectory(expected));
  // Found again, not made again.
  EXPECT_EQ(GetFavoritesFolder(), expected);
}

TEST(GetFavoritesFolder, EmptyWhenItCannotBeMade) {
  test::TempDir home;
  {
    // A file named Favorites is in the way.
    test::WriteFileBytes(home.path() + "Favorites", "not a folder");
    test::ScopedEnvironment variable("HOME", home.path());
    EXPECT_EQ(GetFavoritesFolder(), "");
  }
  {
    // The home folder does not exist.
    test::ScopedEnvironment variable("HOME", home.path() + "missing/");
    EXPECT_EQ(GetFavoritesFolder(), "");
  }
}

}  // namespace
}  // namespace kestrin
