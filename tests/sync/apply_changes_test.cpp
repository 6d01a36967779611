// The four passes on a real Favorites folder, with the lines each occasion reports.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "sync/apply_changes.h"
#include "tests/support/folder_swapper.h"
#include "tests/support/temp_dir.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

class ApplyChangesTest : public ::testing::Test {
 protected:
  std::vector<std::string> Apply(const std::vector<ChangeRow>& rows, ApplyOccasion occasion) {
    RecordingDisplay display;
    ActivityReporter activity(display, false);
    ApplyChanges(ChangeListOf(rows), occasion, root.path(), EnUsGeneralDateFormat(), activity);
    return display.lines;
  }
  std::string At(const std::string& relative) { return root.path() + relative; }

  TempDir root;
};

const PendingChange kNewShortcut{"A\\B\\C\\", "x.url", "https://x/", "i.ico", "3", "F"};
const PendingChange kOldShortcut{"", "old.url", "", "", "", "F"};

TEST_F(ApplyChangesTest, DirectApplicationDeletesThenCreatesWithItsLines) {
  WriteFileBytes(At("old.url"), "[InternetShortcut]\r\nURL=https://old/\r\n");
  const auto lines = Apply(
      {{ChangeAction::CreateLocally, kNewShortcut}, {ChangeAction::DeleteLocally, kOldShortcut}},
      ApplyOccasion::Direct);
  EXPECT_EQ(lines, (std::vector<std::string>{"-> Deleting Shortcut:  (old.url)",
                                             "-> Creating Folder: A\\B\\C\\",
                                             "-> Creating Shortcut: https://x/ (A\\B\\C\\x.url)"}));
  EXPECT_FALSE(std::filesystem::exists(At("old.url")));
  EXPECT_EQ(ReadFileBytes(At("A/B/C/x.url")),
            "[InternetShortcut]\r\nURL=https://x/\r\nIconFile=i.ico\r\nIconIndex=3\r\n");
}

// A long pass shows how far it has come and lets the window process events, by the clock.
TEST_F(ApplyChangesTest, PassesShowTheirProgressAndYieldByTheClock) {
  RecordingDisplay display;
  RunProgress::Clock::time_point clock{};
  int yields = 0;
  ActivityReporter activity(
      display, false, [&yields] { ++yields; },
      [&clock] { return clock += std::chrono::milliseconds(6); });
  std::vector<ChangeRow> rows;
  for (const std::string_view name : {"1.url", "2.url", "3.url", "4.url"}) {
    rows.push_back({ChangeAction::CreateLocally, {"", name, "https://x/", "", "", "F"}});
  }
  ApplyChanges(ChangeListOf(rows), ApplyOccasion::Direct, root.path(), EnUsGeneralDateFormat(),
               activity);
  EXPECT_EQ(display.progress, (std::vector<std::string>{"Creating shortcuts: 2 of 4",
                                                        "Creating shortcuts: 4 of 4", ""}));
  EXPECT_EQ(yields, 2);
  EXPECT_EQ(display.lines.size(), 4u);
  EXPECT_EQ(GroupedCount(1234567), "1 234 567");
}

TEST_F(ApplyChangesTest, DialogApplicationWordsShortcutLinesTheOtherWayRound) {
  WriteFileBytes(At("old.url"), "x");
  std::filesystem::create_directories(At("A/B/C"));
  WriteFileBytes(At("A/B/C/x.url"), "[InternetShortcut]\r\nURL=https://before/\r\n");
  const auto lines = Apply(
      {{ChangeAction::CreateLocally, kNewShortcut}, {ChangeAction::DeleteLocally, kOldShortcut}},
      ApplyOccasion::Dialog);
  EXPECT_EQ(lines, (std::vector<std::string>{"-> Deleting Shortcut: old.url ()",
                                             "-> Deleting Shortcut: A\\B\\C\\x.url (https://x/)",
                                             "-> Creating Shortcut: A\\B\\C\\x.url (https://x/)"}));
}

// A shortcut written from the list carries its record's time, so that a copy passed on is
// never newer than the edit; one whose time cannot be read gets the time of writing.
TEST_F(ApplyChangesTest, AShortcutTakesItsRecordsTimeOrTheTimeOfWriting) {
  const std::time_t before = std::time(nullptr);
  const auto lines = Apply(
      {{ChangeAction::CreateLocally,
        {"", "dated.url", "https://d/", "", "", "F", "1/2/2026 3:04:05 AM"}},
       {ChangeAction::CreateLocally, {"", "undated.url", "https://u/", "", "", "F", "not a date"}}},
      ApplyOccasion::Direct);
  EXPECT_EQ(lines, (std::vector<std::string>{"-> Creating Shortcut: https://d/ (dated.url)",
                                             "-> Creating Shortcut: https://u/ (undated.url)"}));
  const auto modified = [this](const std::string& name) {
    struct stat info {};
    lstat(At(name).c_str(), &info);
    return info.st_mtime;
  };
  EXPECT_EQ(modified("dated.url"), 1767323045);  // 2 January 2026 3:04:05 UTC
  EXPECT_GE(modified("undated.url"), before);
}

// A folder the list lacks loses its shortcuts and the folders they leave empty; what no
// list describes (a report, notes) stays byte for byte, and a line says why the folder stays.
TEST_F(ApplyChangesTest, RemovedFoldersKeepWhatIsNotAShortcutAndExistingOnesAreLeftAlone) {
  std::filesystem::create_directories(At("Gone/Deep/Deeper"));
  WriteFileBytes(At("Gone/Deep/Deeper/a.url"), "x");
  std::filesystem::create_directories(At("Docs/Sub"));
  WriteFileBytes(At("Docs/a.url"), "x");
  const std::string report(3 << 20, '\x25');
  WriteFileBytes(At("Docs/report.pdf"), report);
  WriteFileBytes(At("Docs/Sub/notes.txt"), "notes");
  std::filesystem::create_directories(At("Here"));
  const auto lines = Apply({{ChangeAction::CreateLocally, {"Here", "", "", "", "", "D"}},
                            {ChangeAction::CreateLocally, {"New\\Sub", "", "", "", "", "D"}},
                            {ChangeAction::DeleteLocally, {"Gone", "", "", "", "", "D"}},
                            {ChangeAction::DeleteLocally, {"Docs", "", "", "", "", "D"}},
                            {ChangeAction::DeleteLocally, {"Docs\\Sub", "", "", "", "", "D"}},
                            {ChangeAction::DeleteLocally, {"missing.url", "", "", "", "", "F"}},
                            {ChangeAction::DeleteLocally, {"Odd", "", "", "", "", "X"}}},
                           ApplyOccasion::Direct);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "-> Deleting Folder: Gone", "-> Deleting Folder: Docs",
                       "-> Keeping Folder: Docs\\ (holds files that are not shortcuts)..",
                       "-> Deleting Folder: Docs\\Sub",
                       "-> Keeping Folder: Docs\\Sub\\ (holds files that are not shortcuts)..",
                       "-> Creating Folder: New\\Sub\\"}));
  EXPECT_FALSE(std::filesystem::exists(At("Gone")));
  EXPECT_EQ(Tree(At("Docs/")),
            (std::map<std::string, std::string>{
                {"Sub", "<folder>"}, {"Sub/notes.txt", "notes"}, {"report.pdf", report}}));
  EXPECT_TRUE(std::filesystem::is_directory(At("New/Sub")));
}

// A folder swapped for a link to elsewhere, again and again, while shortcuts are written
// into it: none lands behind the link. A few rounds give the swaps their chance.
TEST_F(ApplyChangesTest, AFolderSwappedForALinkMidwayLeadsNowhereOutside) {
  TempDir outside;
  std::filesystem::create_directory(At("F"));
  std::filesystem::create_directory_symlink(outside.path(), At("Swap"));
  std::vector<std::string> names;
  for (int i = 0; i < 2000; ++i) {
    names.push_back(std::to_string(i) + ".url");
  }
  std::vector<ChangeRow> rows;
  for (const std::string& name : names) {
    rows.push_back({ChangeAction::CreateLocally, {"F\\", name, "https://x/", "", "", "F"}});
  }
  for (int round = 0; round < 8 && std::filesystem::is_empty(outside.path()); ++round) {
    FolderSwapper swapper(At("F"), At("Swap"));
    Apply(rows, ApplyOccasion::Direct);
  }
  EXPECT_TRUE(std::filesystem::is_empty(outside.path()));
}

}  // namespace
}  // namespace kestrin::test
