// A network that fails at any step of a run, on the real FTP servers and over WebDAV: the run ends
// in order (the command-line program with exit status 1), the shared list stays whole, nothing is
// applied from a list that did not arrive whole, and the next run mends all. And a server
// that sends too much cannot fill the disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "favorites/scanner.h"
#include "ftp/ftp_client.h"
#include "settings/sync_settings.h"
#include "tests/support/cutting_proxy.h"
#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

using enum Cut::Kind;
using enum Cut::Style;

struct CutCase {
  Cut cut;
  std::string error;         // the run's failure text; empty when the run rides it out
  bool foreignLock = false;  // another computer's "favs.ind" is on the server
  bool commandLine = false;  // B runs `kestrin-cli sync` instead of the engine itself
};

struct RunResult {
  int exitStatus;
  std::vector<std::string> lines;
};

std::function<size_t()> Bytes(size_t count) {
  return [count] { return count; };
}

bool Shows(const RunResult& run, const std::string& line) {
  return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end();
}

// Two computers share a remote directory through the proxy. Before the cut, A has uploaded
// the shared list and B, with an empty Favorites folder, has not run yet: its run downloads
// the list, applies it, and uploads a new one.
class CutTest : public testing::TestWithParam<FtpServerKind> {
 protected:
  void SetUp() override {
    server = FtpServer::Start(GetParam());
    if (!server) {
      GTEST_SKIP() << FtpServerKindName(GetParam()) << " cannot run here";
    }
    proxy = std::make_unique<CuttingProxy>(server->port(), IsWebDav(server->protocol())
                                                               ? CuttingProxy::Wire::Http
                                                               : CuttingProxy::Wire::Ftp);
  }

  void TearDown() override {
    if (injected_ > 0) {
      std::cout << "[faults] " << testing::UnitTest::GetInstance()->current_test_info()->name()
                << ": " << injected_ << " cuts injected, " << survived_ << " survived\n";
    }
  }

  void RunAll(const std::vector<CutCase>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE("case " + std::to_string(i + 1) + ", " + cases[i].cut.command);
      const int failuresBefore = Failures();
      Run(cases[i]);
      ++injected_;
      survived_ += Failures() == failuresBefore ? 1 : 0;
    }
  }

  // B runs into the cut; then the checks that hold wherever it fell.
  void Run(const CutCase& c) {
    PrepareScene();
    if (HasFatalFailure()) {
      return;
    }
    if (c.foreignLock) {
      server->WriteFile(dir + "/favs.ind", "C\r\n");
    }
    const auto before = b->Tree();
    proxy->Arm(c.cut);
    const RunResult run = SyncB(c.commandLine);
    ASSERT_TRUE(proxy->fired()) << server->log();
    EXPECT_EQ(run.exitStatus, c.error.empty() ? 0 : 1) << testing::PrintToString(run.lines);
    if (!c.error.empty()) {
      EXPECT_EQ(Ending(run.lines),
                (std::vector<std::string>{"-> Closing Internet Connection..", "Error: " + c.error,
                                          "kestrin ended at"}));
      EXPECT_NE(Reason(run.lines), "") << testing::PrintToString(run.lines);
    }
    EXPECT_TRUE(IsAWholeList(SharedList())) << SharedList();
    if (!Shows(run, "-> Updating Favorites..")) {
      EXPECT_EQ(b->Tree(), before);
      EXPECT_EQ(SharedList(), previous);
    }
    if (!c.cut.networkStaysDown) {
      // The connection allowed clearing up: no lock and no stray upload stay behind.
      EXPECT_FALSE(OnServer("favs.ind"));
      ExpectNoStrayUpload();
    }

    proxy->Heal();
    // A lock the cut left behind names B: B's own next run takes it at once. Another
    // computer's lock is left to its owner and waited for.
    const std::string lock = OnServer("favs.ind") ? ReadFileBytes(RemotePath("favs.ind")) : "";
    const RunResult recovery = SyncB(c.commandLine);
    EXPECT_EQ(recovery.exitStatus, 0) << testing::PrintToString(recovery.lines);
    EXPECT_TRUE(lock.empty() || lock == "B\r\n" ||
                (lock == "C\r\n" && Shows(recovery, "-> Waiting for 'C' to finish..")))
        << lock;
    EXPECT_TRUE(a->Sync()) << a->display.lines.back();
    EXPECT_EQ(b->Tree(), a->Tree());
    EXPECT_EQ(a->Tree(), everything);
    EXPECT_FALSE(OnServer("favs.ind"));
    // An upload the network cut off before its rename is taken up by B's next run.
    ExpectNoStrayUpload();
  }

  RunResult SyncB(bool commandLine) {
    if (!commandLine) {
      return {b->Sync() ? 0 : 1, b->display.lines};
    }
    // The C locale gives the same en-US dates as the computers here.
    EXPECT_TRUE(SaveSettings(b->program() + "kestrin.ini", b->settings));
    // The activity lines, "Error: " lines among them; the summary of what changed aside.
    const Outcome outcome = RunCli(*b, "sync");
    RunResult run{outcome.exitCode, {}};
    std::istringstream lines(outcome.out);
    for (std::string line; std::getline(lines, line) && !Ended(run.lines);) {
      run.lines.push_back(line);
    }
    return run;
  }

  static bool Ended(const std::vector<std::string>& lines) {
    return !lines.empty() && lines.back().starts_with("kestrin ended at ");
  }

  void PrepareScene() {
    proxy->Heal();
    dir = "shared" + std::to_string(++scenes_);
    server->MakeDirectory(dir);
    a = NewComputer("A");
    b = NewComputer("B");
    a->AddShortcut("One.url", "https://one.example/");
    a->AddShortcut("Folder/Two.url", "https://two.example/");
    ASSERT_TRUE(a->Sync());
    previous = SharedList();
    everything = a->Tree();
  }

  std::unique_ptr<Computer> NewComputer(const std::string& name) {
    auto computer = std::make_unique<Computer>(name, *server);
    computer->settings.Port = std::to_string(proxy->port());
    computer->settings.RemoteDir = dir;
    // A cut can leave a server waiting for a data connection that never comes; the client
    // then waits for its reply until it gives up.
    computer->env.ftpOptions.replyTimeout = std::chrono::seconds(5);
    computer->env.ftpOptions.stallTimeout = std::chrono::seconds(5);
    return computer;
  }

  std::string RemotePath(const std::string& name) const {
    return server->root() + dir + "/" + name;
  }
  std::string SharedList() const { return ReadFileBytes(RemotePath("favs.dat")); }
  bool OnServer(const std::string& name) const { return std::filesystem::exists(RemotePath(name)); }

  // The previous shared list, or the one B would write now: nothing partial or stale.
  bool IsAWholeList(const std::string& shared) const {
    std::ostringstream records;
    ScanFavoritesFolder(b->favorites(), records, ScanOptions{false, b->env.dateFormat, {}, {}});
    const size_t headerEnd = shared.find("\r\n");
    return shared == previous || (shared.starts_with("B@") && headerEnd != std::string::npos &&
                                  shared.substr(headerEnd + 2) == records.str());
  }

  void ExpectNoStrayUpload() const {
    for (const auto& entry : std::filesystem::directory_iterator(server->root() + dir)) {
      EXPECT_FALSE(entry.path().filename().string().starts_with("favs.dat.")) << entry.path();
    }
  }

  // Byte positions in the upload of B's new list, known once B has written it.
  std::function<size_t()> UploadAt(double fraction) const {
    return [this, fraction] {
      const auto size = std::filesystem::file_size(b->program() + "local.dat");
      return std::min<size_t>(size - 1, static_cast<size_t>(static_cast<double>(size) * fraction));
    };
  }

  static int Failures() {
    return testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
  }

  std::unique_ptr<FtpServer> server;
  std::unique_ptr<CuttingProxy> proxy;
  std::unique_ptr<Computer> a;
  std::unique_ptr<Computer> b;
  std::string dir;
  std::string previous;                           // the shared list before B's run
  std::map<std::string, std::string> everything;  // A's Favorites before the cut
  int scenes_ = 0;
  int injected_ = 0;
  int survived_ = 0;
};

const std::string kConnect = "Unable to Connect to 127.0.0.1";
const std::string kSetDirectory = "Unable to Set Remote Directory..";
const std::string kCheckLock = "Unable to Check for Remote Indicator File..";
const std::string kUploadLock = "Unable to Upload Indicator File..";
const std::string kDownloadList = "Unable to Download Remote Data File..";
const std::string kUploadList = "Unable to Upload Remote Data File..";

TEST_P(CutTest, LoginAndRemoteDirectory) {
  RunAll({
      {{BeforeCommand, "USER"}, kConnect},
      {{BeforeReply, "PASS", Close}, kConnect},
      {{BeforeCommand, "CWD /shared"}, kSetDirectory},
      {{BeforeReply, "CWD /shared", Close}, kSetDirectory},
      {{AfterReply, "CWD /shared", Close}, ""},  // a cut between operations costs a new login
  });
}

TEST_P(CutTest, IndicatorCheckDownloadAndUpload) {
  RunAll({
      {{BeforeCommand, "MLST favs.ind", Reset, true}, kCheckLock},
      // A check or download cut off is made again on a new login; the other computer's
      // lock is then waited for.
      {{BeforeReply, "MLST favs.ind", Close}, ""},
      {{BeforeCommand, "RETR favs.ind"}, "", true},
      {{InData, "RETR favs.ind", Reset, false, Bytes(1)}, "", true},
      {{InData, "RETR favs.ind", Close, false, Bytes(1)}, "", true},
      {{BeforeCommand, "RETR favs.ind", Reset, true}, kCheckLock, true},
      {{BeforeCommand, "STOR favs.ind"}, kUploadLock},
      {{InData, "STOR favs.ind", Reset, false, Bytes(1)}, kUploadLock},
      {{InData, "STOR favs.ind", Close, false, Bytes(1)}, kUploadLock},
  });
}

TEST_P(CutTest, SharedListCheckAndDownload) {
  const auto middle = [this] { return previous.size() / 2; };
  // A truncation at a line end leaves a list that reads as valid, only shorter.
  const auto lineEnd = [this] { return previous.rfind("\r\n", previous.size() - 3) + 2; };
  RunAll({
      {{BeforeCommand, "MLST favs.dat"}, kDownloadList},
      {{BeforeReply, "MLST favs.dat", Close}, kDownloadList},
      {{BeforeCommand, "RETR favs.dat"}, kDownloadList},
      {{InData, "RETR favs.dat", Reset, false, middle}, kDownloadList},
      {{InData, "RETR favs.dat", Close, false, lineEnd}, kDownloadList},
  });
}

TEST_P(CutTest, SharedListUploadAndRename) {
  RunAll({
      {{InData, "STOR favs.dat.", Reset, false, UploadAt(0)}, kUploadList},
      {{InData, "STOR favs.dat.", Reset, false, UploadAt(0.5)}, kUploadList},
      {{InData, "STOR favs.dat.", Reset, false, UploadAt(1)}, kUploadList},
      {{InData, "STOR favs.dat.", Close, false, UploadAt(0)}, kUploadList},
      {{InData, "STOR favs.dat.", Close, false, UploadAt(0.5)}, kUploadList},
      {{InData, "STOR favs.dat.", Close, false, UploadAt(1)}, kUploadList},
      {{BeforeCommand, "STOR favs.dat.", Reset, true}, kUploadList},
      // The stored size is checked, and the rename made, on a new login.
      {{AfterReply, "STOR favs.dat.", Close}, ""},
      {{BeforeCommand, "RNFR favs.dat.", Reset, true}, kUploadList},
      {{BeforeCommand, "RNTO favs.dat"}, ""},  // the rename is tried again on a new login
      // The server renamed, but the client never heard so.
      {{BeforeReply, "RNTO favs.dat", Close}, kUploadList},
  });
}

TEST_P(CutTest, IndicatorRelease) {
  RunAll({
      // The release is tried again on a new login.
      {{BeforeCommand, "DELE favs.ind"}, ""},
      {{BeforeReply, "DELE favs.ind", Close}, ""},
      // The lock stays behind: the run says so, and its next run takes the lock at once.
      {{BeforeCommand, "DELE favs.ind", Reset, true}, "Unable to Delete Remote Indicator File.."},
  });
}

TEST_P(CutTest, CommandLineProgramExitsWithFailureAndTheNextRunMendsIt) {
  RunAll({
      {{BeforeCommand, "USER"}, kConnect, false, true},
      {{InData, "STOR favs.dat.", Close, false, UploadAt(1)}, kUploadList, false, true},
  });
}

// Whether the server announces the size or not.
TEST_P(CutTest, DownloadsStopAtTheClientsLimit) {
  const std::string endless(4096, 'x');
  server->WriteFile("favs.dat", endless);
  TempDir local;
  const std::string target = local.path() + "temp.dat";
  WriteFileBytes(target, "previous");
  const auto connect = [this](std::int64_t limit) {
    FtpConnectOptions options = server->LoginOptions(proxy->port());
    options.maxDownloadBytes = limit;
    auto client = MakeCurlFtpClient([] {});
    const Result<> connected = client->Connect(options);
    EXPECT_TRUE(connected) << connected.error();
    return client;
  };

  auto client = connect(1024);
  EXPECT_FALSE(client->Download("favs.dat", target));
  proxy->RewriteReplies([](const std::string& verb, const std::string& line) {
    return verb == "SIZE" ? std::string("502 Command not implemented.\r\n") : line;
  });
  const Result<> refused = client->Download("favs.dat", target);
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.error(), "more than 1024 bytes");
  EXPECT_EQ(ReadFileBytes(target), "previous");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(local.path()), {}), 1);
  client = nullptr;  // the proxy relays one client at a time
  ASSERT_TRUE(connect(4096)->Download("favs.dat", target));
  EXPECT_EQ(ReadFileBytes(target), endless);
}

// The same over WebDAV: HTTP requests instead of FTP commands, one connection for everything.
class WebDavCutTest : public CutTest {};

TEST_P(WebDavCutTest, LockAndSharedList) {
  RunAll({
      {{BeforeCommand, "OPTIONS "}, kConnect},
      // libcurl sends a request once more on a new connection when a kept-alive one ends
      // before any reply.
      {{BeforeReply, "PROPFIND shared", Close}, ""},
      {{BeforeCommand, "HEAD favs.ind", Reset, true}, kCheckLock},
      {{BeforeReply, "HEAD favs.ind", Close}, ""},
      {{InData, "PUT favs.ind", Reset, false, Bytes(1)}, kUploadLock},
      // Created, but the reply lost: the create sent again finds the lock, which is this one's.
      {{BeforeReply, "PUT favs.ind", Close}, ""},
      {{InData, "GET favs.dat", Reset, false, [this] { return previous.size() / 2; }},
       kDownloadList},
  });
}

TEST_P(WebDavCutTest, SharedListUploadAndMove) {
  RunAll({
      {{InData, "PUT favs.dat.", Reset, false, UploadAt(0)}, kUploadList},
      {{InData, "PUT favs.dat.", Reset, false, UploadAt(0.5)}, kUploadList},
      {{InData, "PUT favs.dat.", Close, false, UploadAt(0.5)}, kUploadList},
      {{InData, "PUT favs.dat.", Close, false, UploadAt(1)}, kUploadList},
      {{BeforeCommand, "MOVE favs.dat.", Reset, true}, kUploadList},
      {{BeforeCommand, "MOVE favs.dat."}, ""},
      // The server moved the list, but the client never heard so: the next login finds the
      // list in place.
      {{BeforeReply, "MOVE favs.dat.", Close}, ""},
      {{BeforeCommand, "DELETE favs.ind"}, ""},
      {{BeforeReply, "DELETE favs.ind", Close}, ""},
  });
}

INSTANTIATE_TEST_SUITE_P(WebDavServers, WebDavCutTest, testing::Values(FtpServerKind::ApacheDav),
                         [](const auto& info) { return FtpServerKindName(info.param); });

INSTANTIATE_TEST_SUITE_P(Servers, CutTest,
                         testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::PureFtpd),
                         [](const auto& info) { return FtpServerKindName(info.param); });

}  // namespace
}  // namespace kestrin::test
