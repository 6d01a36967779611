// Path helpers of the favorites store.

#include "favorites/favorites_path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>

#include "tests/support/temp_dir.h"

namespace kestrin {
namespace {

// Sets an environment variable for the length of a test and restores it afterwards.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TEST(AddBackslash, AppendsOneWhenMissing) {
  EXPECT_EQ(AddBackslash(""), "\\");
  EXPECT_EQ(AddBackslash("Links"), "Links\\");
  EXPECT_EQ(AddBackslash("Links\\"), "Links\\");
  EXPECT_EQ(AddBackslash("/home/u/Favorites/"), "/home/u/Favorites/\\");
}

TEST(TrimAtNul, CutsAtTheFirstNul) {
  EXPECT_EQ(TrimAtNul(std::string("News.url\0\0junk", 14)), "News.url");
  EXPECT_EQ(TrimAtNul(std::string("\0abc", 4)), "");
}

TEST(LocalPathOf, TurnsBackslashesIntoSlashes) {
  EXPECT_EQ(LocalPathOf("/home/u/Favorites/", "Links\\Work\\"), "/home/u/Favorites/Links/Work/");
  EXPECT_EQ(LocalPathOf("/home/u/Favorites/", "Links\\Work\\A, B.url"),
            "/home/u/Favorites/Links/Work/A, B.url");
  EXPECT_EQ(LocalPathOf("/home/u/Favorites/", "Links"), "/home/u/Favorites/Links");
}

TEST(GetFavoritesFolder, IsFavoritesInTheHomeFolderCreatedWhenMissing) {
  test::TempDir home;
  ScopedVariable variable("HOME", home.path());
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
    ScopedVariable variable("HOME", home.path());
    EXPECT_EQ(GetFavoritesFolder(), "");
  }
  {
    // The home folder does not exist.
    ScopedVariable variable("HOME", home.path() + "missing/");
    EXPECT_EQ(GetFavoritesFolder(), "");
  }
}

}  // namespace
}  // namespace kestrin
