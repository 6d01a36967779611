// The session's runs against a real FTP server on 127.0.0.1: what a run holds while it
// waits for the user, and what its end tells.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/desktop/recording_view.h"
#include "tests/support/ftp_server.h"

namespace kestrin::test {
namespace {

std::string SettingsFor(const FtpServer& server, const std::string& name, bool confirm) {
  return "[Settings]\r\nName=" + name + "\r\nServer=127.0.0.1\r\nUsername=" + server.user() +
         "\r\nPort=" + std::to_string(server.port()) +
         "\r\nConfirmChanges=" + (confirm ? "1" : "0") + "\r\n";
}

std::unique_ptr<DesktopComputer> LoggedIn(const FtpServer& server, const std::string& name,
                                          bool confirm, bool tray = true) {
  auto computer = std::make_unique<DesktopComputer>(SettingsFor(server, name, confirm), tray);
  computer->view.controls.Password = server.password();  // the file keeps it in Radix-64
  return computer;
}

// "alpha", whose run has put its one shortcut, "News", on the server.
std::unique_ptr<DesktopComputer> SharesNews(const FtpServer& server) {
  auto alpha = LoggedIn(server, "alpha", false);
  WriteFileBytes(alpha->favoritesRoot() + "News.url",
                 "[InternetShortcut]\r\nURL=https://news.example/\r\n");
  alpha->session->SyncNow();
  EXPECT_TRUE(alpha->view.notices.empty()) << alpha->view.notices[0].text;
  return alpha;
}

// While the run waits for the confirmation, no second run starts, the window cannot close,
// the settings pages and commands are out of reach and Undo does nothing; cancelling
// changes nothing and gives everything back.
TEST(Run, WaitingForConfirmationHoldsEverythingElse) {
  const std::unique_ptr<FtpServer> server = FtpServer::Start(FtpServerKind::Pyftpdlib);
  ASSERT_NE(server, nullptr);
  SharesNews(*server);
  const auto bravo = LoggedIn(*server, "bravo", true, false);
  DesktopComputer& second = *bravo;
  desktop::DesktopSession& session = *second.session;
  int asked = 0;
  second.view.confirm = [&](const ChangeList&) -> std::optional<std::vector<ChangeRow>> {
    ++asked;
    EXPECT_TRUE(session.runInProgress());
    const desktop::CommandStates commands = *second.view.commands;
    EXPECT_FALSE(commands.sync || commands.exit || commands.trayMenu || commands.settingsPages ||
                 commands.undo || commands.importBookmarks);
    session.SyncNow();
    session.Exit();
    EXPECT_FALSE(session.CloseRequested());
    session.UndoLastSync();
    return std::nullopt;
  };
  session.SyncNow();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(second.view.closed);
  EXPECT_TRUE(second.view.questions.empty());
  EXPECT_FALSE(std::filesystem::exists(second.favoritesRoot() + "News.url"));
  EXPECT_FALSE(session.runInProgress());
  EXPECT_TRUE(second.view.commands->sync && second.view.commands->exit);
}

// A run that changed favorites says so and offers to undo; Undo asks first, and "Cancel"
// keeps the run's work.
TEST(Run, ARunThatChangedFavoritesOffersUndoWhichAsksFirst) {
  const std::unique_ptr<FtpServer> server = FtpServer::Start(FtpServerKind::Pyftpdlib);
  ASSERT_NE(server, nullptr);
  const auto alpha = SharesNews(*server);
  DesktopComputer& first = *alpha;
  const auto bravo = LoggedIn(*server, "bravo", false);
  DesktopComputer& second = *bravo;
  second.session->SyncNow();
  const std::string news = second.favoritesRoot() + "News.url";
  ASSERT_TRUE(std::filesystem::exists(news));

  std::filesystem::remove(first.favoritesRoot() + "News.url");
  first.session->SyncNow();
  second.view.notices.clear();
  second.session->SyncNow();
  ASSERT_FALSE(std::filesystem::exists(news));
  ASSERT_EQ(second.view.notices.size(), 1u);
  EXPECT_TRUE(second.view.notices[0].offersUndo);
  EXPECT_FALSE(second.view.notices[0].failure);
  ASSERT_TRUE(second.view.commands->undo);

  second.view.answers = {1, 0};  // "Cancel", then "Put Back"
  second.session->UndoLastSync();
  EXPECT_FALSE(std::filesystem::exists(news));
  second.session->UndoLastSync();
  ASSERT_EQ(second.view.questions.size(), 2u);
  EXPECT_TRUE(
      second.view.questions[1].text.starts_with("Put back 1 shortcut from before the sync of "))
      << second.view.questions[1].text;
  EXPECT_TRUE(std::filesystem::exists(news));
  EXPECT_TRUE(second.view.status.starts_with("Put back 1 shortcut")) << second.view.status;
}

// A failed run tells its status text as a failure, where a user out of sight of the window
// sees it.
TEST(Run, AFailedRunIsToldWithItsStatusText) {
  DesktopComputer computer("[Settings]\r\nName=alpha\r\nServer=127.0.0.1\r\nPort=1\r\n");
  computer.session->SyncNow();
  ASSERT_EQ(computer.view.notices.size(), 1u);
  EXPECT_TRUE(computer.view.notices[0].failure);
  EXPECT_EQ(computer.view.notices[0].text, computer.view.status);
  EXPECT_EQ(computer.view.image, StatusImage::Error);
}

}  // namespace
}  // namespace kestrin::test
