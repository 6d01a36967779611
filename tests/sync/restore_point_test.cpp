// Restore points end to end: a run saves what it deletes or overwrites before its first
// change, kestrin-cli puts it back byte for byte with its times, and old points go.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "sync/restore_favorites.h"
#include "sync/restore_point.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

// Every file and folder below the Favorites folder: bytes and modification time.
std::map<std::string, std::string> TreeWithTimes(const Computer& computer) {
  std::map<std::string, std::string> tree = computer.Tree();
  for (auto& [place, content] : tree) {
    struct stat info;
    lstat((computer.favorites() + place).c_str(), &info);
    if (content != "<folder>") {
      content +=
          " @" + std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
    }
  }
  return tree;
}

// kestrin-cli restore with the computer's settings and Favorites folder; its standard output.
std::string Restore(const Computer& computer, const std::string& arguments) {
  const Outcome outcome = RunCli(computer, "restore " + arguments);
  EXPECT_EQ(outcome.exitCode, 0) << arguments;
  return outcome.out;
}

class RestorePointTest : public TwoComputersTest {
 protected:
  void SetUp() override {
    TwoComputersTest::SetUp();
    if (IsSkipped()) {
      return;
    }
    b->env.localNow = [] { return DateTime{2026, 3, 1, 9, 30, 0}; };
    a->AddShortcut("Old.url", "https://old.example/");
    a->AddShortcut("Work/Doc.url", "https://doc.example/v1");
    a->AddShortcut("Gone/In.url", "https://in.example/");
    ASSERT_TRUE(a->Sync() && b->Sync() && a->Sync());
    ASSERT_FALSE(fs::exists(b->program() + "restore"));  // B only created shortcuts
    for (const char* place : {"Old.url", "Work/Doc.url", "Gone/In.url"}) {
      const timespec times[2] = {{0, UTIME_OMIT}, {1767000000, 123456789}};
      utimensat(AT_FDCWD, (b->favorites() + place).c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    // A deletes a shortcut and a folder and changes a URL.
    fs::remove(a->favorites() + "Old.url");
    fs::remove_all(a->favorites() + "Gone");
    a->AddShortcut("Work/Doc.url", "https://doc.example/v2");
    ASSERT_TRUE(a->Sync());
  }
};

TEST_F(RestorePointTest, ARestorePutsBackWhatTheRunReplacedAndCanItselfBeUndone) {
  const auto before = TreeWithTimes(*b);
  ASSERT_TRUE(b->Sync());
  EXPECT_EQ(b->Tree(), a->Tree());
  EXPECT_EQ(Restore(*b, "--list"), "1\t3/1/2026 9:30:00 AM\t3 shortcuts, 1 folder\n");

  const auto synced = TreeWithTimes(*b);
  EXPECT_EQ(Restore(*b, ""), "What the restore replaced is restore point 2.\n");
  EXPECT_EQ(TreeWithTimes(*b), before);
  EXPECT_TRUE(Restore(*b, "--list").ends_with("\t1 shortcut, 0 folders\n"));
  Restore(*b, "2");
  EXPECT_EQ(TreeWithTimes(*b).at("Work/Doc.url"), synced.at("Work/Doc.url"));
}

TEST_F(RestorePointTest, ARunThatCannotSaveItsRestorePointChangesNothing) {
  WriteFileBytes(b->program() + "restore", "in the way");  // where the restore folder goes
  const auto before = b->Tree();
  EXPECT_FALSE(b->Sync());
  EXPECT_EQ(b->Tree(), before);
  EXPECT_EQ(Ending(b->display.lines)[1], "Error: Unable to Save Restore Point..");
  EXPECT_TRUE(Reason(b->display.lines).ends_with("restore/.incomplete: Not a directory"));
}

TEST(RestoreRetentionTest, KeepsThirtyDaysAtLeastTheNewestTenAndTheNewestWhateverItsSize) {
  TempDir favorites, state;
  WriteFileBytes(favorites.path() + "a.url", "[InternetShortcut]\r\nURL=https://a/\r\n");
  const std::string folder = RestoreFolderOf(state.path());
  const auto day = [](int n) {
    return n < 31 ? DateTime{2026, 1, 1 + n, 12, 0, 0} : DateTime{2026, 2, n - 30, 12, 0, 0};
  };
  for (int k = 0; k < 12; ++k) {  // every fourth day: 1 January to 14 February
    ASSERT_TRUE(SaveRestorePoint(folder, favorites.path(), {"a.url"}, day(4 * k)));
  }
  const auto ids = [&] {
    std::string text;
    for (const RestorePoint& point : ListRestorePoints(folder)) {
      text += point.id + " ";
    }
    return text;
  };
  PruneRestorePoints(folder, day(44));
  EXPECT_EQ(ids(), "3 4 5 6 7 8 9 10 11 12 ");
  PruneRestorePoints(folder, day(44), {30, 10, 0});
  EXPECT_EQ(ids(), "12 ");
}

// Of a folder a run removes, the point keeps what the run removes: folders and shortcuts.
TEST(RestorePointContentTest, AFolderIsSavedWithItsFoldersAndShortcutsOnly) {
  TempDir favorites, state;
  fs::create_directories(favorites.path() + "Docs/Sub");
  WriteFileBytes(favorites.path() + "Docs/a.url", "[InternetShortcut]\r\nURL=https://a/\r\n");
  WriteFileBytes(favorites.path() + "Docs/report.pdf", std::string(1 << 20, 'p'));
  WriteFileBytes(favorites.path() + "Docs/Sub/notes.txt", "notes");
  const std::string folder = RestoreFolderOf(state.path());
  const auto id = SaveRestorePoint(folder, favorites.path(), {"Docs/"}, {2026, 1, 1, 0, 0, 0});
  ASSERT_TRUE(id);
  const auto point = ReadRestorePoint(folder, *id);
  ASSERT_TRUE(point);
  std::vector<std::string> places;
  for (const SavedItem& item : point->items) {
    places.push_back(item.place);
  }
  EXPECT_EQ(places, (std::vector<std::string>{"Docs/", "Docs/Sub/", "Docs/a.url"}));
}

// A manifest that climbs out of the Favorites folder, with either system's separator, is
// refused whole: nothing is written anywhere.
TEST(RestoreManifestTest, PlacesThatClimbOutAreRefusedAndNothingIsWritten) {
  for (const std::string line : {"F 0 0 1 ../x", "F 0 0 1 ..\\x", "F 0 0 1 a\\..\\..\\x",
                                 "D ..\\x/", "F 0 0 1 a/b\\..\\..\\..\\x"}) {
    SCOPED_TRACE(line);
    TempDir dir;
    fs::create_directories(dir.path() + "fav/a/b");
    const std::string folder = RestoreFolderOf(dir.path() + "state/");
    fs::create_directories(folder + "1");
    WriteFileBytes(folder + "1/manifest", "made 2026 1 1 0 0 0\n" + line + "\n");
    WriteFileBytes(folder + "1/1", "bytes");
    const auto before = Tree(dir.path());
    const auto restored = RestoreFavorites(folder, "1", dir.path() + "fav/", {2026, 2, 1, 0, 0, 0});
    ASSERT_FALSE(restored);
    EXPECT_TRUE(restored.error().find("outside the Favorites folder") != std::string::npos)
        << restored.error();
    EXPECT_EQ(Tree(dir.path()), before);
  }
}

}  // namespace
}  // namespace kestrin::test
