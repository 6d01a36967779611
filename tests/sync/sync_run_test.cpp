// A synchronization end to end: real FTP, FTPS, SFTP and WebDAV servers, real Favorites folders,
// byte for byte.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "formats/ini_file.h"
#include "formats/radix64.h"
#include "formats/sealed_file.h"
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
    server->MakeDirectory("Shared");
    shared = server->root() + "Shared/";
  }
  // The remote directory is relative to the login's starting folder on every transport.
  std::unique_ptr<Computer> NewComputer(const std::string& name) {
    auto computer = std::make_unique<Computer>(name, *server, GetParam().passive);
    computer->settings.RemoteDir = "Shared";
    return computer;
  }
  std::unique_ptr<FtpServer> server;
  std::string shared;  // the remote directory on the server's disk
};

TEST_P(SyncRunTest, FirstRunUploadsItsListAndTheSecondComputerTakesIt) {
  auto study = NewComputer("Study");
  study->AddShortcut("Debian.url", "https://www.debian.org/");
  study->AddShortcut("News, Sport/BBC Sport.url", "https://www.bbc.co.uk/sport");
  study->AddShortcut("Links/Work/Café.url", "https://example.org/café");
  std::filesystem::create_directories(study->favorites() + "Empty");
  study->AddShortcut("Tab\there.url", "https://tab.example/");  // a name no list carries

  ASSERT_TRUE(study->Sync()) << Reason(study->display.lines);
  std::vector<std::string> lines{"kestrin started at",
                                 "-> Creating Local Data File..",
                                 "-> Skipping Tab\there.url: the Name holds a control character..",
                                 "-> Establishing Internet Connection..",
                                 "-> Connecting to 127.0.0.1..",
                                 "-> Setting Remote Directory..",
                                 "-> Checking for Remote Indicator File..",
                                 "-> Creating Local Indicator File..",
                                 "-> Uploading Local Indicator File..",
                                 "-> Verifying Remote Indicator File..",
                                 "-> Checking for Remote Data File..",
                                 "-> Uploading Local Data File..",
                                 "-> Verifying Remote Data File..",
                                 "-> Deleting Remote Indicator File..",
                                 "-> Closing Internet Connection..",
                                 "kestrin ended at"};
  if (server->protocol() == Protocol::FtpOverTls && !GetParam().passive) {
    lines.insert(lines.begin() + 5, "-> Using Passive Mode, Which TLS Needs..");
  }
  EXPECT_EQ(WithoutDates(study->display.lines), lines);
  EXPECT_EQ(study->display.trayImage, StatusImage::Ready);
  EXPECT_EQ(study->display.trayTooltip.rfind("Kestrin (Last Sync: ", 0), 0u);
  EXPECT_EQ(study->display.runStates, (std::vector<bool>{true, false}));
  EXPECT_EQ(ReadFileBytes(shared + "favs.dat").rfind("Study@", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(shared + "favs.ind"));
  // The working files are gone after a successful run; LastSync is stored.
  for (const char* name : {"local.dat", "local.ind", "temp.dat"}) {
    EXPECT_FALSE(std::filesystem::exists(study->program() + name)) << name;
  }
  EXPECT_NE(ReadFileBytes(study->program() + "kestrin.ini").find("LastSync="), std::string::npos);

  auto laptop = NewComputer("Laptop");
  laptop->AddShortcut("Only here.url", "https://example.com/");
  // A link planted where the download is written is not followed.
  const TempDir elsewhere;
  WriteFileBytes(elsewhere.path() + "mine", "untouched");
  std::filesystem::create_symlink(elsewhere.path() + "mine",
                                  laptop->program() + "temp.dat.partial");
  ASSERT_TRUE(laptop->Sync());
  EXPECT_EQ(ReadFileBytes(elsewhere.path() + "mine"), "untouched");
  EXPECT_EQ(laptop->Tree().count("Only here.url"), 0u);
  EXPECT_EQ(laptop->Tree().at("Links/Work/Café.url"),
            "[InternetShortcut]\r\nURL=https://example.org/café\r\nIconFile=\r\nIconIndex=\r\n");
  EXPECT_EQ(laptop->Tree().count("Empty"), 1u);
  EXPECT_EQ(ReadFileBytes(shared + "favs.dat").rfind("Laptop@", 0), 0u);
  // Each run is one login.
  EXPECT_EQ(server->loginCount(), 2);

  if (server->protocol() == Protocol::WebDavHttp) {
    const auto den = NewComputer("Den");
    ASSERT_TRUE(SaveSettings(den->program() + "kestrin.ini", den->settings));
    EXPECT_NE(RunCli(*den, "sync").err.find("sends the password in clear"), std::string::npos);
  }
  if (!UsesTls(server->protocol()) && server->protocol() != Protocol::Sftp) {
    return;
  }
  const std::string trusted = server->fingerprint();
  EXPECT_EQ(
      ReadIniString(laptop->program() + "kestrin.ini", kSettingsSection, kServerFingerprintKey),
      trusted);
  // Another identity ends the run before anything of the login is sent.
  ASSERT_TRUE(server->RenewIdentity());
  EXPECT_FALSE(laptop->Sync());
  EXPECT_EQ(Ending(laptop->display.lines)[1],
            "Error: Unable to Connect to 127.0.0.1: the server's identity changed from " + trusted +
                " to " + server->fingerprint());
  EXPECT_EQ(server->loginCount(), 2);
  // kestrin-cli trusts a new server only when told to: no terminal can ask.
  const auto den = NewComputer("Den");
  ASSERT_TRUE(SaveSettings(den->program() + "kestrin.ini", den->settings));
  EXPECT_NE(RunCli(*den, "sync").out.find("was not trusted"), std::string::npos);
  EXPECT_EQ(RunCli(*den, "sync --trust-new-server").exitCode, 0);
  EXPECT_EQ(server->loginCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncRunTest,
                         ::testing::Values(ServerMode{FtpServerKind::Pyftpdlib, true},
                                           ServerMode{FtpServerKind::Pyftpdlib, false},
                                           ServerMode{FtpServerKind::PureFtpd, true},
                                           ServerMode{FtpServerKind::PureFtpd, false},
                                           ServerMode{FtpServerKind::PureFtpdTls, false},
                                           ServerMode{FtpServerKind::OpenSsh, true},
                                           ServerMode{FtpServerKind::ApacheDav, true},
                                           ServerMode{FtpServerKind::ApacheDavTls, true}),
                         [](const auto& info) {
                           return FtpServerKindName(info.param.kind) +
                                  (info.param.passive ? "Passive" : "Active");
                         });

// A certificate the system trusts leaves its key behind: a later one that the system does not
// trust (a man in the middle with a certificate of his own) is a changed identity, which no
// answer to "trust this new server?" accepts. A renewed certificate the system trusts is taken.
TEST(SystemTrustedServerTest, ALaterUntrustedCertificateIsAChangedIdentity) {
  const auto server = FtpServer::Start(FtpServerKind::PureFtpdTls);
  if (!server) {
    GTEST_SKIP() << "pure-ftpd cannot run here";
  }
  const TempDir system;  // the authorities this computer's system trusts
  const auto systemTrustsServer = [&] {
    WriteFileBytes(system.path() + "ca.pem", server->certificate());
  };
  Computer a("A", *server);
  a.env.ftpOptions.trustedAuthorities = system.path() + "ca.pem";
  int asked = 0;
  a.env.trustNewServer = [&asked](const std::string&, const std::string&) { return ++asked; };
  const auto stored = [&a] {
    return ReadIniString(a.program() + "kestrin.ini", kSettingsSection, kServerFingerprintKey);
  };
  for (int renewal = 0; renewal < 2; ++renewal) {
    systemTrustsServer();
    ASSERT_TRUE(a.Sync()) << Reason(a.display.lines);
    EXPECT_EQ(stored(), "system:" + server->fingerprint());
    ASSERT_TRUE(server->RenewIdentity());
  }
  const int logins = server->loginCount();
  EXPECT_FALSE(a.Sync());
  EXPECT_EQ(Ending(a.display.lines)[1],
            "Error: Unable to Connect to 127.0.0.1: the server's identity changed from " +
                stored() + " to " + server->fingerprint());
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(server->loginCount(), logins);
}

// With a passphrase the server holds the list sealed: no name or URL in clear or in Radix-64.
TEST_F(TwoComputersTest, ASealedListHidesEverythingAndTheComputersConverge) {
  for (Computer* computer : {a.get(), b.get()}) {
    computer->settings.UseEncryption = 1;
    computer->settings.Passphrase = "same on every computer";
  }
  a->AddShortcut("Banking/My Bank.url", "https://bank.example/");
  ASSERT_TRUE(a->Sync() && b->Sync());
  b->AddShortcut("Mine.url", "https://mine.example/");
  ASSERT_TRUE(b->Sync() && a->Sync());
  EXPECT_EQ(a->Tree(), b->Tree());
  EXPECT_EQ(a->Tree().count("Mine.url"), 1u);
  const std::string sealed = ReadFileBytes(server->root() + "favs.dat.sealed");
  ASSERT_TRUE(LooksSealed(sealed));
  for (const std::string clear : {"Banking", "My Bank", "bank.example", "mine.example", "A@"}) {
    EXPECT_EQ(sealed.find(clear), std::string::npos) << clear;
    EXPECT_EQ(sealed.find(Radix64Encode(clear).substr(0, 6)), std::string::npos) << clear;
  }
}

// A server that will not rename at all, or not over an existing file, still holds a whole
// shared list after every run, and the computers converge.
TEST(RenameRefusalTest, EveryRunLeavesAWholeSharedList) {
  const FtpServerOptions notImplemented{
      .refusedCommands = {{"RNFR", "502 Command not implemented."},
                          {"RNTO", "502 Command not implemented."}}};
  const FtpServerOptions noRenameRight{.permissions = "elradwMT"};
  const FtpServerOptions keepsTarget{.renameKeepsTarget = true};
  for (const auto& [options, inPlace] :
       {std::pair{notImplemented, true}, std::pair{noRenameRight, true},
        std::pair{keepsTarget, false}}) {
    const auto server = FtpServer::Start(FtpServerKind::Pyftpdlib, options);
    Computer a("A", *server);
    Computer b("B", *server);
    const auto syncAndCheck = [&](Computer& computer) {
      ASSERT_TRUE(computer.Sync()) << Reason(computer.display.lines);
      const auto& lines = computer.display.lines;
      EXPECT_EQ(std::count(lines.begin(), lines.end(),
                           "-> Server Cannot Rename, Replacing Remote Data File.."),
                inPlace ? 1 : 0);
      // Only the shared list is left, and it is the run's snapshot.
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(server->root()), {}), 1);
      const std::string shared = ReadFileBytes(server->root() + "favs.dat");
      EXPECT_EQ(shared.substr(0, shared.find("@") + 1), computer.settings.Name + "@");
      EXPECT_EQ(shared.substr(shared.find("\r\n") + 2), computer.Records());
    };
    a.AddShortcut("From A.url", "https://a/");
    syncAndCheck(a);
    syncAndCheck(b);
    b.AddShortcut("From B.url", "https://b/");
    syncAndCheck(b);
    syncAndCheck(a);
    EXPECT_EQ(a.Tree(), b.Tree());
    EXPECT_EQ(a.Tree().size(), 2u);
  }
}

// A server that knows no SIZE, or no bare NLST (as Twisted's), is synchronized with all the
// same: the computers converge and the lock goes.
TEST(RefusingServerRunTest, ComputersConverge) {
  const std::string notImplemented = "502 Command not implemented.";
  for (const FtpServerOptions& options :
       {FtpServerOptions{.refusedCommands = {{"SIZE", notImplemented}}},
        FtpServerOptions{.refusedCommands = {{"SIZE", notImplemented}, {"MLST", notImplemented}}},
        FtpServerOptions{.nlstNeedsArgument = true}}) {
    const auto server = FtpServer::Start(FtpServerKind::Pyftpdlib, options);
    Computer a("A", *server);
    Computer b("B", *server);
    const auto sync = [](Computer& computer) {
      ASSERT_TRUE(computer.Sync()) << Reason(computer.display.lines);
    };
    a.AddShortcut("From A.url", "https://a/");
    sync(a);
    sync(b);
    b.AddShortcut("From B.url", "https://b/");
    sync(b);
    sync(a);
    EXPECT_EQ(a.Tree(), b.Tree());
    EXPECT_EQ(a.Tree().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(server->root() + "favs.ind"));
  }
}

}  // namespace
}  // namespace kestrin::test
