// The indicator file keeps computers apart; waits run on an injected clock.

#include <gtest/gtest.h>

#include <barrier>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "sync/server_lock.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

std::vector<std::string> LockLines(const Computer& computer) {
  std::vector<std::string> lock;
  for (const std::string& line : computer.display.lines) {
    if (line.find("Indicator") != std::string::npos || line.rfind("-> Waiting", 0) == 0) {
      lock.push_back(line);
    }
  }
  return lock;
}

class ServerLockTest : public ::testing::Test {
 protected:
  void SetUp() override { server = FtpServer::Start(FtpServerKind::Pyftpdlib); }
  std::unique_ptr<FtpServer> server;
};

TEST_F(ServerLockTest, AForeignIndicatorThatDisappearsEndsTheWait) {
  server->WriteFile("favs.ind", "PC2\r\n");
  Computer computer("A", *server);
  int idles = 0;
  computer.onIdle = [&] {
    if (++idles == 10) {
      std::filesystem::remove(server->root() + "favs.ind");
    }
  };
  ASSERT_TRUE(computer.Sync());
  EXPECT_EQ(LockLines(computer),
            (std::vector<std::string>{
                "-> Checking for Remote Indicator File..", "-> Downloading Indicator File..",
                "-> Processing Remote Indicator File..", "-> Waiting for 'PC2' to finish..",
                "-> Creating Local Indicator File..", "-> Uploading Local Indicator File..",
                "-> Verifying Remote Indicator File..", "-> Deleting Remote Indicator File.."}));
  EXPECT_EQ(idles, 10);
  const auto& status = computer.display.statusTexts;
  EXPECT_NE(std::find(status.begin(), status.end(), "PC2 is connected. Timeout in 119.0 secs."),
            status.end());
  // The countdown stays in the status text: the tooltip keeps the waiting line.
  EXPECT_EQ(std::count_if(computer.display.lines.begin(), computer.display.lines.end(),
                          [](const auto& l) { return l.find("Timeout") != std::string::npos; }),
            0);
}

TEST_F(ServerLockTest, AStaleIndicatorIsTakenOverAfterTwoMinutes) {
  server->WriteFile("favs.ind", "\"Old PC\",more\r\n");
  Computer computer("A", *server);
  int idles = 0;
  computer.onIdle = [&] { ++idles; };
  ASSERT_TRUE(computer.Sync());
  EXPECT_EQ(idles, 120);
  EXPECT_EQ(LockLines(computer)[3], "-> Waiting for 'Old PC' to finish..");
  EXPECT_EQ(computer.display.statusTexts.back().rfind("Kestrin (Last Sync: ", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(server->root() + "favs.ind"));
  // About one listing a second, one login.
  EXPECT_EQ(server->loginCount(), 1);
}

// Two computers that start together, round after round, each having edited its own
// shortcut: whichever publishes last must have seen the other's edit, or one of them must
// say it could not publish. KESTRIN_TOGETHER_ROUNDS sets the number of rounds.
TEST_F(ServerLockTest, ComputersStartedTogetherNeverPublishTwoListsUnseen) {
  const char* roundsText = std::getenv("KESTRIN_TOGETHER_ROUNDS");
  const int rounds = roundsText != nullptr ? std::atoi(roundsText) : 20;
  std::vector<std::unique_ptr<Computer>> computers;
  for (const char* name : {"A", "B"}) {
    computers.push_back(std::make_unique<Computer>(name, *server));
    // The waiting computer must give the other real time to finish.
    computers.back()->onIdle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); };
  }
  const auto url = [](const Computer& computer, int round) {
    return "https://" + computer.settings.Name + "/" + std::to_string(round);
  };
  // Each computer edits its own shortcut; the edit is later than any copy a run wrote, so
  // the shared list takes it from whichever computer saw it.
  const auto edit = [&](Computer& computer, int round) {
    computer.AddShortcut(computer.settings.Name + ".url", url(computer, round));
    std::filesystem::last_write_time(
        computer.favorites() + computer.settings.Name + ".url",
        std::filesystem::file_time_type::clock::now() + std::chrono::hours(24 + round));
  };
  for (auto& computer : computers) {
    computers[0]->AddShortcut(computer->settings.Name + ".url", url(*computer, 0));
  }
  for (auto& computer : computers) {
    ASSERT_TRUE(computer->Sync());
  }

  int unseen = 0;
  int refused = 0;
  for (int round = 1; round <= rounds; ++round) {
    std::barrier start(static_cast<std::ptrdiff_t>(computers.size()));
    std::vector<char> succeeded(computers.size());
    std::vector<std::thread> runs;
    for (size_t i = 0; i < computers.size(); ++i) {
      edit(*computers[i], round);
      runs.emplace_back([&, i] {
        start.arrive_and_wait();
        succeeded[i] = computers[i]->Sync();
      });
    }
    for (auto& run : runs) {
      run.join();
    }
    const std::string shared = ReadFileBytes(server->root() + "favs.dat");
    bool lost = false;
    for (size_t i = 0; i < computers.size(); ++i) {
      lost |=
          succeeded[i] && shared.find('"' + url(*computers[i], round) + '"') == std::string::npos;
      refused += succeeded[i] ? 0 : 1;
    }
    unseen += lost ? 1 : 0;
  }
  std::cout << rounds << " rounds started together: " << unseen << " published two lists unseen, "
            << refused << " runs refused to publish\n";
  EXPECT_EQ(unseen, 0);
}

TEST_F(ServerLockTest, ALockItsOwnEarlierRunLeftIsTakenAtOnce) {
  server->WriteFile("favs.ind", "A\r\n");
  Computer computer("A", *server);
  int idles = 0;
  computer.onIdle = [&] { ++idles; };
  ASSERT_TRUE(computer.Sync());
  EXPECT_EQ(idles, 0);
  EXPECT_FALSE(std::filesystem::exists(server->root() + "favs.ind"));
}

// A server that refuses a step of the lock never lets a run take another computer's lock,
// nor end in success while its own lock stays.
TEST(RefusingServerLockTest, ARefusalIsNeitherAbsenceNorSuccess) {
  struct Case {
    std::string command;
    std::string lockBefore;
    std::string error;
    std::string lockAfter;
  };
  const Case cases[] = {
      {"RETR", "Other\r\n", "Unable to Download Indicator File..", "Other\r\n"},
      {"DELE", "", "Unable to Delete Remote Indicator File..", "A\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    FtpServerOptions options;
    options.refusedCommands[c.command] = "550 Not allowed.";
    auto server = FtpServer::Start(FtpServerKind::Pyftpdlib, options);
    if (!c.lockBefore.empty()) {
      server->WriteFile("favs.ind", c.lockBefore);
    }
    Computer computer("A", *server);
    EXPECT_FALSE(computer.Sync());
    EXPECT_EQ(Ending(computer.display.lines)[1], "Error: " + c.error);
    EXPECT_EQ(Reason(computer.display.lines), "the server answered 550 Not allowed.");
    EXPECT_EQ(ReadFileBytes(server->root() + "favs.ind"), c.lockAfter);
  }
}

TEST(IndicatorTextTest, NameAndCountdownForms) {
  EXPECT_EQ(IndicatorName("PC2\r\n"), "PC2");
  EXPECT_EQ(IndicatorName("A,B\r\n"), "A");
  EXPECT_EQ(IndicatorName("  Study  \r\n"), "Study");
  EXPECT_EQ(IndicatorName(""), "");
  EXPECT_EQ(FormatCountdown(119.94, '.'), "119.9");
  EXPECT_EQ(FormatCountdown(0.04, ','), "0,0");
  EXPECT_EQ(FormatCountdown(5.96, '.'), "6.0");
}

}  // namespace
}  // namespace kestrin::test
