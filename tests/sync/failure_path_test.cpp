// Every way a run can fail ends in order, says why, and loses nothing.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "formats/printable_text.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

class FailurePathTest : public ::testing::Test {
 protected:
  void SetUp() override { server = FtpServer::Start(FtpServerKind::Pyftpdlib); }

  std::unique_ptr<FtpServer> server;
};

TEST_F(FailurePathTest, MissingFieldsAndUnusableNamesAreRefusedAndNothingIsTouched) {
  Computer computer("", *server);
  computer.settings = SyncSettings{};
  computer.settings.Port = "";
  EXPECT_FALSE(computer.Sync());
  EXPECT_EQ(
      WithoutDates(computer.display.lines),
      (std::vector<std::string>{"kestrin started at",
                                "Error: Computer Name, Server, Username, Password, Port Number",
                                "kestrin ended at"}));
  EXPECT_EQ(computer.display.trayImage, StatusImage::Error);
  EXPECT_EQ(computer.display.trayTooltip,
            "Kestrin (Error: Missing Computer Name, Server, Username, Password, Port Number)");
  EXPECT_TRUE(std::filesystem::is_empty(computer.program()));
  EXPECT_EQ(server->loginCount(), 0);

  Computer blanks("  ", *server);
  blanks.settings.Port = "";
  EXPECT_FALSE(blanks.Sync());
  EXPECT_EQ(blanks.display.lines[1], "Error: Port Number");

  // "PC@home" would read back as "PC", the same as "PC@work": refused before anything is sent.
  Computer atSign("PC@home", *server);
  EXPECT_FALSE(atSign.Sync());
  EXPECT_EQ(WithoutDates(atSign.display.lines),
            (std::vector<std::string>{
                "kestrin started at",
                "Error: Unable to Use Computer Name: the computer name holds an at-sign",
                "kestrin ended at"}));
  EXPECT_TRUE(std::filesystem::is_empty(atSign.program()));
  EXPECT_TRUE(std::filesystem::is_empty(server->root()));
  EXPECT_EQ(server->loginCount(), 0);
}

TEST_F(FailurePathTest, EachFailureSaysWhyUnderItsErrorLine) {
  server->WriteFile("favs.ind", "Stale\r\n");
  struct Case {
    std::function<void(SyncSettings&)> change;
    std::string error;
    std::string reason;
  };
  const Case cases[] = {
      {[](SyncSettings& s) { s.Port = "1"; }, "Unable to Connect to 127.0.0.1",
       "connection refused by 127.0.0.1 port 1"},
      {[](SyncSettings& s) { s.Server = "no-such-host.invalid"; },
       "Unable to Connect to no-such-host.invalid", "could not resolve host no-such-host.invalid"},
      {[](SyncSettings& s) { s.Password = "wrong"; }, "Unable to Connect to 127.0.0.1",
       "the server answered 530 Authentication failed."},
      {[](SyncSettings& s) { s.RemoteDir = "no/such/dir"; }, "Unable to Set Remote Directory..",
       "cannot enter folder \"no/such/dir\": the server answered 550 No such file or directory."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    Computer computer("A", *server);
    c.change(computer.settings);
    EXPECT_FALSE(computer.Sync());
    EXPECT_EQ(Ending(computer.display.lines),
              (std::vector<std::string>{"-> Closing Internet Connection..", "Error: " + c.error,
                                        "kestrin ended at"}));
    EXPECT_EQ(Reason(computer.display.lines), c.reason);
    EXPECT_EQ(computer.display.trayTooltip, "Kestrin (Error:" + c.error + ")");
    EXPECT_EQ(computer.display.statusTexts.back(), computer.display.trayTooltip);
    // The first snapshot stays for the next run to replace; LastSync is not written.
    EXPECT_TRUE(std::filesystem::exists(computer.program() + "local.dat"));
    EXPECT_FALSE(std::filesystem::exists(computer.program() + "kestrin.ini"));
  }
  // A failed run leaves alone a lock it did not store.
  EXPECT_EQ(ReadFileBytes(server->root() + "favs.ind"), "Stale\r\n");
}

// A server that cannot protect the login never gets it.
TEST_F(FailurePathTest, FtpOverTlsSendsNoLoginInClear) {
  Computer computer("A", *server);
  computer.settings.Protocol = static_cast<int>(Protocol::FtpOverTls);
  EXPECT_FALSE(computer.Sync());
  EXPECT_EQ(Reason(computer.display.lines),
            "the server answered 500 Command \"AUTH\" not understood.");
  EXPECT_EQ(server->log().find("USER"), std::string::npos);
  EXPECT_EQ(server->loginCount(), 0);
}

TEST_F(FailurePathTest, ACancelledConfirmationUploadsNothingButCompletesTheRun) {
  auto a = std::make_unique<Computer>("A", *server);
  a->AddShortcut("From A.url", "https://a/");
  ASSERT_TRUE(a->Sync());
  const std::string shared = ReadFileBytes(server->root() + "favs.dat");

  Computer b("B", *server);
  b.settings.ConfirmChanges = 1;
  size_t offered = 0;
  b.env.confirm = [&](const ChangeList& changes) -> std::optional<std::vector<ChangeRow>> {
    offered = changes.CreateList.size() + changes.DeleteList.size();
    return std::nullopt;
  };
  ASSERT_TRUE(b.Sync());
  EXPECT_EQ(offered, 1u);
  EXPECT_TRUE(b.Tree().empty());
  EXPECT_EQ(ReadFileBytes(server->root() + "favs.dat"), shared);
  EXPECT_FALSE(std::filesystem::exists(server->root() + "favs.ind"));
  EXPECT_EQ(b.display.trayTooltip.rfind("Kestrin (Last Sync: ", 0), 0u);

  // Processing with every row unticked still rescans and uploads: B becomes the uploader.
  b.env.confirm = [](const ChangeList&) { return std::optional(std::vector<ChangeRow>{}); };
  ASSERT_TRUE(b.Sync());
  EXPECT_TRUE(b.Tree().empty());
  EXPECT_EQ(ReadFileBytes(server->root() + "favs.dat").rfind("B@", 0), 0u);
}

// The computer named in the lock file comes from the server: the log shows its control
// characters, so a terminal showing the log neither obeys them nor shows a forged line.
TEST_F(FailurePathTest, TheLogHoldsEachRunsLinesAndAnEmptyLine) {
  server->WriteFile("favs.ind", "\"\x1b[2J\rforged\"\r\n");
  Computer computer("A", *server);
  computer.onIdle = [&] { std::filesystem::remove(server->root() + "favs.ind"); };
  computer.settings.LogActivity = 1;
  ASSERT_TRUE(computer.Sync());
  std::string expected;
  for (const std::string& line : computer.display.lines) {
    expected += PrintableText(line) + "\r\n";
  }
  const std::string log = ReadFileBytes(computer.program() + "kestrin.log");
  EXPECT_EQ(log, expected + "\r\n");
  EXPECT_NE(log.find("\r\n-> Waiting for '\\x1b[2J\\x0dforged' to finish..\r\n"),
            std::string::npos);

  EXPECT_EQ(std::filesystem::status(computer.program() + "kestrin.log").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  computer.settings.LogActivity = 0;
  ASSERT_TRUE(computer.Sync());
  EXPECT_EQ(ReadFileBytes(computer.program() + "kestrin.log"), expected + "\r\n");

  // A link planted in the log's place is not written through.
  TempDir elsewhere;
  WriteFileBytes(elsewhere.path() + "target", "untouched");
  std::filesystem::remove(computer.program() + "kestrin.log");
  std::filesystem::create_symlink(elsewhere.path() + "target", computer.program() + "kestrin.log");
  computer.settings.LogActivity = 1;
  ASSERT_TRUE(computer.Sync());
  EXPECT_EQ(ReadFileBytes(elsewhere.path() + "target"), "untouched");
}

TEST(SlowServerTest, AServerThatTricklesBytesCannotHoldARunForEver) {
  const auto server = FtpServer::Start(FtpServerKind::Pyftpdlib, {.downloadBytesPerSecond = 4});
  server->WriteFile("favs.dat", std::string(100, 'x'));
  Computer computer("A", *server);
  // 1 s, and 1 s for the 100 bytes the server announces.
  computer.env.ftpOptions.transferAllowance = std::chrono::seconds(1);
  computer.env.ftpOptions.slowestBytesPerSecond = 100;
  EXPECT_FALSE(computer.Sync());
  EXPECT_EQ(Ending(computer.display.lines)[1], "Error: Unable to Download Remote Data File..");
  EXPECT_EQ(Reason(computer.display.lines),
            "the transfer was too slow and was stopped after 2 seconds");
}

}  // namespace
}  // namespace kestrin::test
