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

// Over FTP, and over WebDAV with strong ETags, where the lock is created only where none is
// and taken over only while it is the one read.
class ServerLockTest : public ::testing::TestWithParam<FtpServerKind> {
 protected:
  void SetUp() override {
    server = FtpServer::Start(GetParam());
    if (server == nullptr && GetParam() != FtpServerKind::Pyftpdlib) {
      GTEST_SKIP() << FtpServerKindName(GetParam()) << " cannot run here";
    }
    ASSERT_NE(server, nullptr);
  }
  std::unique_ptr<FtpServer> server;
};

TEST_P(ServerLockTest, AForeignIndicatorThatDisappearsEndsTheWait) {
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

TEST_P(ServerLockTest, AStaleIndicatorIsTakenOverAfterTwoMinutes) {
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

// Three computers that start together, round after round, each having added a shortcut of
// its own: every run ends in success, and no added shortcut goes missing from the shared
// list. KESTRIN_TOGETHER_ROUNDS sets the number of rounds.
TEST_P(ServerLockTest, ComputersStartedTogetherAllSucceedAndLoseNoEdit) {
  const char* roundsText = std::getenv("KESTRIN_TOGETHER_ROUNDS");
  const int rounds = roundsText != nullptr ? std::atoi(roundsText) : 10;
  std::vector<std::unique_ptr<Computer>> computers;
  for (const char* name : {"A", "B", "C"}) {
    computers.push_back(std::make_unique<Computer>(name, *server));
    // The waiting computer must give the others real time to finish.
    computers.back()->onIdle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(25)); };
    ASSERT_TRUE(computers.back()->Sync());
  }
  const auto added = [](const Computer& computer, int round) {
    return '"' + computer.settings.Name + std::to_string(round) + ".url\"";
  };

  int failed = 0;
  int lost = 0;
  for (int round = 1; round <= rounds; ++round) {
    std::barrier start(static_cast<std::ptrdiff_t>(computers.size()));
    std::vector<std::thread> runs;
    std::vector<char> succeeded(computers.size());
    for (size_t i = 0; i < computers.size(); ++i) {
      Computer& computer = *computers[i];
      computer.AddShortcut(computer.settings.Name + std::to_string(round) + ".url",
                           "https://" + computer.settings.Name + "/" + std::to_string(round));
      runs.emplace_back([&, i] {
        start.arrive_and_wait();
        succeeded[i] = computers[i]->Sync();
      });
    }
    for (auto& run : runs) {
      run.join();
    }
    for (size_t i = 0; i < computers.size(); ++i) {
      failed += succeeded[i] ? 0 : 1;
      EXPECT_TRUE(succeeded[i]) << testing::PrintToString(computers[i]->display.lines);
    }
    // Whoever published last has merged everything published before it.
    const std::string shared = ReadFileBytes(server->root() + "favs.dat");
    for (int earlier = 1; earlier <= round; ++earlier) {
      for (const auto& computer : computers) {
        lost += shared.find(added(*computer, earlier)) == std::string::npos ? 1 : 0;
      }
    }
  }
  std::cout << rounds << " rounds of three computers started together: " << failed
            << " runs failed, " << lost << " added shortcuts missing from the shared list\n";
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(lost, 0);
}

// A lock that is not this computer's name on one line is another computer's, perhaps being
// written or torn by two computers writing at once: never this computer's own.
TEST_P(ServerLockTest, ALockThatIsNotOneNameLineIsWaitedFor) {
  for (const std::string torn : {"A", "A\r\n\n", "A\r\nB\r\n", "B\r\nA\r\n"}) {
    SCOPED_TRACE(testing::PrintToString(torn));
    server->WriteFile("favs.ind", torn);
    Computer computer("A", *server);
    int idles = 0;
    computer.onIdle = [&] {
      if (++idles == 3) {
        std::filesystem::remove(server->root() + "favs.ind");
      }
    };
    ASSERT_TRUE(computer.Sync()) << Reason(computer.display.lines);
    EXPECT_EQ(idles, 3);
    EXPECT_EQ(LockLines(computer)[3], "-> Waiting for '" + IndicatorName(torn) + "' to finish..");
    EXPECT_FALSE(std::filesystem::exists(server->root() + "favs.ind"));
  }
}

TEST_P(ServerLockTest, ALockItsOwnEarlierRunLeftIsTakenAtOnce) {
  server->WriteFile("favs.ind", "A\r\n");
  Computer computer("A", *server);
  int idles = 0;
  computer.onIdle = [&] { ++idles; };
  ASSERT_TRUE(computer.Sync());
  EXPECT_EQ(idles, 0);
  EXPECT_FALSE(std::filesystem::exists(server->root() + "favs.ind"));
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerLockTest,
                         testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::ApacheDav),
                         [](const auto& info) { return FtpServerKindName(info.param); });

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
