// What keeps a run from losing favorites: the keeping join (asked for, chosen at a first
// join, or after a restore), the guard on a run that would delete most of them, and the
// summary told afterwards, end to end through two computers and kestrin-cli.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <optional>

#include "favorites/shortcut_file.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

class SafetyNetTest : public TwoComputersTest {
 protected:
  void SetUp() override {
    TwoComputersTest::SetUp();
    if (IsSkipped()) {
      return;
    }
    summaries.clear();
    b->env.reportChanges = [this](const RunSummary& summary) { summaries.push_back(summary); };
  }

  // The line the summary hook was told, as kestrin-cli prints it.
  std::string Told() const {
    return summaries.empty() ? ""
                             : SummaryText(summaries.back()) + " #" + summaries.back().restoreId;
  }

  std::vector<RunSummary> summaries;
};

TEST_F(SafetyNetTest, FirstJoinKeepsOrReplacesTheComputersOwnFavorites) {
  const struct {
    const char* name;
    bool keepLocal;
    std::optional<bool> answer;  // of keepOnFirstJoin; none: no hook
    bool kept;
    const char* told;
  } cases[] = {
      {"no question", false, std::nullopt, false, "2 favorites removed, 1 changed, 1 added #1"},
      {"replace", false, false, false, "2 favorites removed, 1 changed, 1 added #1"},
      {"keep", false, true, true, "1 favorite changed, 1 added #1"},
      {"--keep-local", true, std::nullopt, true, "1 favorite changed, 1 added #1"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    SetUp();
    a->AddShortcut("Shared.url", "https://shared/");
    a->AddShortcut("Both.url", "https://both/new");
    ASSERT_TRUE(a->Sync());
    b->AddShortcut("Mine.url", "https://mine/");
    b->AddShortcut("Work/Report.url", "https://report/");
    b->AddShortcut("Both.url", "https://both/old");
    fs::last_write_time(b->favorites() + "Both.url",  // A's copy is newer
                        fs::file_time_type::clock::now() - std::chrono::days(400));
    std::vector<std::size_t> asked;
    b->env.keepLocal = row.keepLocal;
    if (row.answer) {
      b->env.keepOnFirstJoin = [&](std::size_t shortcuts) {
        asked.push_back(shortcuts);
        return *row.answer;
      };
    }
    ASSERT_TRUE(b->Sync());
    EXPECT_EQ(asked, row.answer ? std::vector<std::size_t>{3} : std::vector<std::size_t>{});
    EXPECT_EQ(Told(), row.told);
    EXPECT_EQ(b->Tree().contains("Work/Report.url"), row.kept);
    ASSERT_TRUE(a->Sync());
    EXPECT_EQ(a->Tree(), b->Tree());  // what B kept reached A
    ASSERT_TRUE(b->Sync());           // no longer a first join: not asked again
    EXPECT_EQ(asked.size(), row.answer ? 1u : 0u);
  }
}

TEST_F(SafetyNetTest, WhatARestorePutBackIsKeptAndReachesTheOtherComputer) {
  a->AddShortcut("Keep.url", "https://keep/");
  a->AddShortcut("Lost.url", "https://lost/");
  ASSERT_TRUE(a->Sync() && b->Sync() && a->Sync());
  fs::remove(a->favorites() + "Lost.url");
  ASSERT_TRUE(a->Sync() && b->Sync());
  EXPECT_EQ(Told(), "1 favorite removed #1");
  EXPECT_EQ(RunCli(*b, "restore").exitCode, 0);
  ASSERT_TRUE(a->Sync());  // A uploaded last, without what B put back
  ASSERT_TRUE(b->Sync() && a->Sync());
  EXPECT_TRUE(a->Tree().contains("Lost.url"));
  EXPECT_EQ(a->Tree(), b->Tree());
  // Published once: from now on a deletion elsewhere reaches B again.
  fs::remove(a->favorites() + "Lost.url");
  ASSERT_TRUE(a->Sync() && b->Sync());
  EXPECT_FALSE(b->Tree().contains("Lost.url"));
}

// B holds 25 shortcuts; A's list lacks 20 of them. ConfirmChanges is off throughout.
TEST_F(SafetyNetTest, ARunThatWouldDeleteMostShortcutsAppliesNothingUnasked) {
  const struct {
    const char* how;  // kestrin-cli's arguments, or "" for a run without a hook
    int confirmMassDeletion;
    int exitCode;
    bool applied;
    const char* said;  // the run's line, or the start of kestrin-cli's last line
  } cases[] = {
      {"", 1, 0, false, "-> 20 of 25 Favorites Would Be Deleted, Nothing Applied Unasked.."},
      {"", 0, 0, true, ""},
      {"sync", 1, 3, false, "kestrin ended at "},
      {"sync --yes", 1, 0, true, "20 favorites removed (undo: kestrin-cli restore 1)\n"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(std::string(row.how) +
                 " ConfirmMassDeletion=" + std::to_string(row.confirmMassDeletion));
    SetUp();
    for (int i = 0; i < 25; ++i) {
      a->AddShortcut("S" + std::to_string(i) + ".url", "https://s/" + std::to_string(i));
    }
    ASSERT_TRUE(a->Sync() && b->Sync() && a->Sync());
    for (int i = 5; i < 25; ++i) {
      fs::remove(a->favorites() + "S" + std::to_string(i) + ".url");
    }
    ASSERT_TRUE(a->Sync());
    const auto before = b->Tree();
    const auto shared = ReadFileBytes(server->root() + "favs.dat");
    b->settings.ConfirmMassDeletion = row.confirmMassDeletion;
    if (*row.how) {
      ASSERT_TRUE(SaveSettings(b->program() + "kestrin.ini", b->settings));
      const Outcome outcome = RunCli(*b, row.how);
      EXPECT_EQ(outcome.exitCode, row.exitCode);
      const std::string last =
          outcome.out.substr(outcome.out.rfind('\n', outcome.out.size() - 2) + 1);
      EXPECT_TRUE(last.starts_with(row.said)) << outcome.out;
    } else {
      ASSERT_TRUE(b->Sync());
      EXPECT_EQ(*row.said != 0, std::find(b->display.lines.begin(), b->display.lines.end(),
                                          row.said) != b->display.lines.end());
    }
    EXPECT_EQ(b->Tree() == before, !row.applied);
    EXPECT_EQ(ReadFileBytes(server->root() + "favs.dat") == shared, !row.applied);
    if (row.applied) {
      EXPECT_EQ(b->Tree(), a->Tree());
    }
  }
}

// A shared list that loses a slice of shortcuts at every run, each slice below the guard, is
// asked about before half of what B last saw whole is gone; once the user has confirmed, the
// count starts again from what is left.
TEST_F(SafetyNetTest, DeletionsInSlicesAreAskedAboutBeforeHalfAreGone) {
  for (int i = 0; i < 60; ++i) {
    a->AddShortcut("S" + std::to_string(i) + ".url", "https://s/" + std::to_string(i));
  }
  ASSERT_TRUE(a->Sync() && b->Sync());
  std::size_t asked = 0;
  b->env.confirm = [&asked](const ChangeList& changes) {
    ++asked;
    return std::optional(RowsInDialogOrder(changes));
  };
  const auto shortcuts = [this] { return b->Tree().size(); };
  std::vector<std::size_t> left;
  for (int slice = 0; slice < 3; ++slice) {
    for (int i = 19 * slice; i < 19 * (slice + 1); ++i) {
      fs::remove(a->favorites() + "S" + std::to_string(i) + ".url");
    }
    ASSERT_TRUE(a->Sync() && b->Sync());
    left.push_back(shortcuts());
  }
  // 19 of 60 unasked; 38 of 60 asked and confirmed; then 19 of the 22 left, fewer than the
  // guard's least, unasked.
  EXPECT_EQ(left, (std::vector<std::size_t>{41, 22, 3}));
  EXPECT_EQ(asked, 1u);
}

// A edits X; B, which had X already, passes A's edit on; C had made a later edit meanwhile.
// The copy B writes keeps the time of A's edit, so C's later one wins everywhere.
TEST_F(SafetyNetTest, AnEditPassedOnKeepsItsTimeAndALaterEditElsewhereWins) {
  Computer c("C", *server);
  const auto edit = [](Computer& computer, const std::string& url, std::time_t when) {
    computer.AddShortcut("X.url", url);
    const timespec times[2] = {{0, UTIME_OMIT}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (computer.favorites() + "X.url").c_str(), times, 0), 0);
  };
  const std::time_t now = std::time(nullptr);
  edit(*a, "https://x/v0", now - 10 * 86400);
  ASSERT_TRUE(a->Sync() && b->Sync() && c.Sync());
  for (Computer* computer : {a.get(), b.get(), &c}) {
    edit(*computer, "https://x/v0", now - 10 * 86400);
  }
  ASSERT_TRUE(c.Sync());  // the shared list with the old time
  edit(*a, "https://x/A", now - 3 * 86400);
  ASSERT_TRUE(a->Sync());
  edit(c, "https://x/C", now - 2 * 86400);
  ASSERT_TRUE(b->Sync());
  EXPECT_EQ(b->Records(), a->Records());  // A's edit with A's time
  ASSERT_TRUE(c.Sync() && a->Sync() && b->Sync());
  for (const Computer* computer : {a.get(), b.get(), &c}) {
    EXPECT_EQ(ParseShortcutFile(computer->Tree().at("X.url")).URL, "https://x/C");
  }
}

}  // namespace
}  // namespace kestrin::test
