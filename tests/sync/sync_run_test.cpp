// A synchronization end to end: real FTP servers, real Favorites folders, byte for byte.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "favorites/radix64.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

struct ServerMode {
  FtpServerKind kind;
  bool passive;
};

class SyncRunTest : public ::testing::TestWithParam<ServerMode> {
 protected:
  void SetUp() override {
    server = FtpServer::Start(GetParam().kind);
    if (!server) {
      GTEST_SKIP() << FtpServerKindName(GetParam().kind) << " cannot run here";
    }
  }
  std::unique_ptr<Computer> NewComputer(const std::string& name) {
    return std::make_unique<Computer>(name, *server, GetParam().passive);
  }
  std::unique_ptr<FtpServer> server;
};

TEST_P(SyncRunTest, FirstRunUploadsItsListAndTheSecondComputerTakesIt) {
  auto study = NewComputer("Study");
  study->AddShortcut("Debian.url", "https://www.debian.org/");
  study->AddShortcut("News, Sport/BBC Sport.url", "https://www.bbc.co.uk/sport");
  study->AddShortcut("Links/Work/Café.url", "https://example.org/café");
  std::filesystem::create_directories(study->favorites() + "Empty");

  ASSERT_TRUE(study->Sync());
  EXPECT_EQ(WithoutDates(study->display.lines),
            (std::vector<std::string>{
                "kestrin started at", "-> Creating Local Data File..",
                "-> Establishing Internet Connection..", "-> Connecting to 127.0.0.1..",
                "-> Checking for Remote Indicator File..", "-> Creating Local Indicator File..",
                "-> Uploading Local Indicator File..", "-> Verifying Remote Indicator File..",
                "-> Checking for Remote Data File..", "-> Uploading Local Data File..",
                "-> Verifying Remote Data File..", "-> Deleting Remote Indicator File..",
                "-> Closing Internet Connection..", "kestrin ended at"}));
  EXPECT_EQ(study->display.trayImage, StatusImage::Ready);
  EXPECT_EQ(study->display.trayTooltip.rfind("Kestrin (Last Sync: ", 0), 0u);
  EXPECT_EQ(study->display.runStates, (std::vector<bool>{true, false}));
  EXPECT_EQ(ReadFileBytes(server->root() + "favs.dat").rfind("Study@", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(server->root() + "favs.ind"));
  // The working files are gone after a successful run; LastSync is stored.
  for (const char* name : {"local.dat", "local.ind", "temp.dat"}) {
    EXPECT_FALSE(std::filesystem::exists(study->program() + name)) << name;
  }
  EXPECT_NE(ReadFileBytes(study->program() + "kestrin.ini").find("LastSync="), std::string::npos);

  auto laptop = NewComputer("Laptop");
  laptop->AddShortcut("Only here.url", "https://example.com/");
  ASSERT_TRUE(laptop->Sync());
  EXPECT_EQ(laptop->Tree().count("Only here.url"), 0u);
  EXPECT_EQ(laptop->Tree().at("Links/Work/Café.url"),
            "[InternetShortcut]\r\nURL=https://example.org/café\r\nIconFile=\r\nIconIndex=\r\n");
  EXPECT_EQ(laptop->Tree().count("Empty"), 1u);
  EXPECT_EQ(ReadFileBytes(server->root() + "favs.dat").rfind("Laptop@", 0), 0u);
  // Each run is one login.
  EXPECT_EQ(server->loginCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncRunTest,
                         ::testing::Values(ServerMode{FtpServerKind::Pyftpdlib, true},
                                           ServerMode{FtpServerKind::Pyftpdlib, false},
                                           ServerMode{FtpServerKind::PureFtpd, true},
                                           ServerMode{FtpServerKind::PureFtpd, false}),
                         [](const auto& info) {
                           return FtpServerKindName(info.param.kind) +
                                  (info.param.passive ? "Passive" : "Active");
                         });

}  // namespace
}  // namespace kestrin::test
