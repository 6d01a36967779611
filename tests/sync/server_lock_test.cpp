// The indicator file keeps computers apart; waits run on an injected clock.

#include <gtest/gtest.h>

#include <filesystem>

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
                "-> Deleting Remote Indicator File.."}));
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
