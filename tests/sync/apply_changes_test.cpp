// The four passes on a real Favorites folder, with the lines each occasion reports.

#include <gtest/gtest.h>

#include <filesystem>

#include "sync/apply_changes.h"
#include "tests/support/temp_dir.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

class ApplyChangesTest : public ::testing::Test {
 protected:
  std::vector<std::string> Apply(const std::vector<ChangeRow>& rows, ApplyOccasion occasion) {
    RecordingDisplay display;
    ActivityReporter activity(display, false);
    ApplyChanges(ChangeListOf(rows), occasion, root.path(), activity);
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
  ApplyChanges(ChangeListOf(rows), ApplyOccasion::Direct, root.path(), activity);
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

TEST_F(ApplyChangesTest, FoldersGoWithEverythingInThemAndExistingOnesAreLeftAlone) {
  std::filesystem::create_directories(At("Gone/Deep/Deeper"));
  WriteFileBytes(At("Gone/notes.txt"), "x");
  WriteFileBytes(At("Gone/Deep/Deeper/a.url"), "x");
  std::filesystem::create_directories(At("Here"));
  const auto lines = Apply({{ChangeAction::CreateLocally, {"Here", "", "", "", "", "D"}},
                            {ChangeAction::CreateLocally, {"New\\Sub", "", "", "", "", "D"}},
                            {ChangeAction::DeleteLocally, {"Gone", "", "", "", "", "D"}},
                            {ChangeAction::DeleteLocally, {"missing.url", "", "", "", "", "F"}},
                            {ChangeAction::DeleteLocally, {"Odd", "", "", "", "", "X"}}},
                           ApplyOccasion::Direct);
  EXPECT_EQ(lines, (std::vector<std::string>{"-> Deleting Folder: Gone",
                                             "-> Creating Folder: New\\Sub\\"}));
  EXPECT_FALSE(std::filesystem::exists(At("Gone")));
  EXPECT_TRUE(std::filesystem::is_directory(At("New/Sub")));
}

}  // namespace
}  // namespace kestrin::test
