// A network that fails at any step of a run: the run ends in order, the shared list stays
// whole, nothing is applied from a list that did not arrive whole, and the next run mends all.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/faults/cut_fixture.h"

namespace kestrin::test {
namespace {

using Kind = CutPoint::Kind;

struct CutCase {
  Cut cut;
  std::string error;              // the run's failure text; empty when the run rides it out
  bool foreignIndicator = false;  // another computer's "favs.ind" is on the server
  std::string where = "";         // for the test's output, where a data cut falls
};

Cut At(Kind kind, const std::string& verb, const std::string& argument, CutStyle style,
       bool networkStaysDown = false) {
  CutPoint point;
  point.kind = kind;
  point.verb = verb;
  point.argumentPrefix = argument;
  return Cut{point, style, networkStaysDown};
}

Cut InData(const std::string& verb, const std::string& argument, std::function<size_t()> bytes,
           CutStyle style) {
  Cut cut = At(Kind::DataBytes, verb, argument, style);
  cut.at.bytes = std::move(bytes);
  return cut;
}

std::function<size_t()> Bytes(size_t count) {
  return [count] { return count; };
}

std::string StyleName(CutStyle style) {
  return style == CutStyle::Reset ? "RST" : "FIN";
}

class CutTest : public CutFixture {
 protected:
  // B runs into the cut; then the checks that hold wherever it fell.
  void Run(const CutCase& c) {
    PrepareScene();
    if (HasFatalFailure()) {
      return;
    }
    SCOPED_TRACE(c.cut.at.Describe() + " " + c.where + " " + StyleName(c.cut.style) +
                 (c.cut.networkStaysDown ? ", network stays down" : ""));
    if (c.foreignIndicator) {
      server->WriteFile(dir + "/favs.ind", "C\r\n");
    }
    const int failures = FailureCount();
    const auto before = b->Tree();
    proxy->Arm(c.cut);
    const bool succeeded = b->Sync();
    const bool fired = proxy->fired();
    EXPECT_TRUE(fired) << Transcript();

    if (c.error.empty()) {
      EXPECT_TRUE(succeeded) << b->display.lines.back() << "\n" << Transcript();
    } else {
      EXPECT_FALSE(succeeded) << Transcript();
      EXPECT_EQ(Ending(*b), (std::vector<std::string>{"-> Closing Internet Connection..",
                                                      "Error: " + c.error, "kestrin ended at"}))
          << Transcript();
      EXPECT_NE(Reason(*b), "") << Transcript();
    }
    EXPECT_TRUE(IsAWholeList(SharedList())) << SharedList();
    const auto& lines = b->display.lines;
    if (std::find(lines.begin(), lines.end(), "-> Updating Favorites..") == lines.end()) {
      EXPECT_EQ(b->Tree(), before);
      EXPECT_EQ(SharedList(), previous);
    }
    if (!c.cut.networkStaysDown) {
      // The connection allowed clearing up: no lock and no stray upload stay behind.
      EXPECT_FALSE(OnServer("favs.ind"));
      ExpectNoStrayUpload();
    }
    ExpectRecoveryAndConvergence();
    // An upload the network cut off before its rename is taken up by B's next run.
    ExpectNoStrayUpload();
    Count(fired, failures);
  }

  void ExpectNoStrayUpload() const {
    for (const auto& entry : std::filesystem::directory_iterator(server->root() + dir)) {
      EXPECT_EQ(entry.path().filename().string().rfind("favs.dat.", 0), std::string::npos)
          << entry.path();
    }
  }

  void RunAll(const std::vector<CutCase>& cases) {
    for (const CutCase& c : cases) {
      Run(c);
    }
  }

  // Byte positions in the upload of B's new list, known once B has written it.
  std::function<size_t()> UploadAt(double fraction) const {
    return [this, fraction] {
      const auto size = std::filesystem::file_size(b->program() + "local.dat");
      return std::min<size_t>(size - 1, static_cast<size_t>(static_cast<double>(size) * fraction));
    };
  }
};

TEST_P(CutTest, LoginAndRemoteDirectory) {
  RunAll({
      {At(Kind::BeforeCommand, "USER", "", CutStyle::Reset), "Unable to Connect to 127.0.0.1"},
      {At(Kind::BeforeReply, "PASS", "", CutStyle::Close), "Unable to Connect to 127.0.0.1"},
      {At(Kind::BeforeCommand, "CWD", "shared", CutStyle::Reset),
       "Unable to Set Remote Directory.."},
      {At(Kind::BeforeReply, "CWD", "shared", CutStyle::Close), "Unable to Set Remote Directory.."},
      // A cut between two operations costs a new login, nothing else.
      {At(Kind::AfterReply, "CWD", "shared", CutStyle::Close), ""},
  });
}

TEST_P(CutTest, IndicatorCheckDownloadAndUpload) {
  RunAll({
      {At(Kind::BeforeCommand, "SIZE", "favs.ind", CutStyle::Reset, true),
       "Unable to Check for Remote Indicator File.."},
      // A check or download cut off is made again on a new login; the other computer's
      // lock is then waited for.
      {At(Kind::BeforeReply, "SIZE", "favs.ind", CutStyle::Close), ""},
      {At(Kind::BeforeCommand, "RETR", "favs.ind", CutStyle::Reset), "", true},
      {InData("RETR", "favs.ind", Bytes(1), CutStyle::Reset), "", true},
      {InData("RETR", "favs.ind", Bytes(1), CutStyle::Close), "", true},
      {At(Kind::BeforeCommand, "RETR", "favs.ind", CutStyle::Reset, true),
       "Unable to Check for Remote Indicator File..", true},
      {At(Kind::BeforeCommand, "STOR", "favs.ind", CutStyle::Reset),
       "Unable to Upload Indicator File.."},
      {InData("STOR", "favs.ind", Bytes(1), CutStyle::Reset), "Unable to Upload Indicator File.."},
      {InData("STOR", "favs.ind", Bytes(1), CutStyle::Close), "Unable to Upload Indicator File.."},
  });
}

TEST_P(CutTest, SharedListCheckAndDownload) {
  const auto middle = [this] { return previous.size() / 2; };
  // A truncation at a line end leaves a list that reads as valid, only shorter.
  const auto lineEnd = [this] { return previous.rfind("\r\n", previous.size() - 3) + 2; };
  RunAll({
      {At(Kind::BeforeCommand, "SIZE", "favs.dat", CutStyle::Reset),
       "Unable to Download Remote Data File.."},
      {At(Kind::BeforeReply, "SIZE", "favs.dat", CutStyle::Close),
       "Unable to Download Remote Data File.."},
      {At(Kind::BeforeCommand, "RETR", "favs.dat", CutStyle::Reset),
       "Unable to Download Remote Data File.."},
      {InData("RETR", "favs.dat", middle, CutStyle::Reset),
       "Unable to Download Remote Data File.."},
      {InData("RETR", "favs.dat", lineEnd, CutStyle::Close),
       "Unable to Download Remote Data File.."},
  });
}

TEST_P(CutTest, SharedListUploadAndRename) {
  std::vector<CutCase> cases;
  for (CutStyle style : {CutStyle::Reset, CutStyle::Close}) {
    for (double at : {0.0, 0.5, 1.0}) {
      cases.push_back({InData("STOR", "favs.dat.", UploadAt(at), style),
                       "Unable to Upload Remote Data File..", false,
                       at == 0   ? "at its first byte"
                       : at == 1 ? "at its last byte"
                                 : "halfway"});
    }
  }
  cases.push_back({At(Kind::BeforeCommand, "STOR", "favs.dat.", CutStyle::Reset, true),
                   "Unable to Upload Remote Data File.."});
  // The stored size is checked, and the rename made, on a new login.
  cases.push_back({At(Kind::AfterReply, "STOR", "favs.dat.", CutStyle::Close), ""});
  cases.push_back({At(Kind::BeforeCommand, "RNFR", "favs.dat.", CutStyle::Reset, true),
                   "Unable to Upload Remote Data File.."});
  // The rename is tried again on a new login.
  cases.push_back({At(Kind::BeforeCommand, "RNTO", "favs.dat", CutStyle::Reset), ""});
  // The server renamed, but the client never heard so.
  cases.push_back({At(Kind::BeforeReply, "RNTO", "favs.dat", CutStyle::Close),
                   "Unable to Upload Remote Data File.."});
  RunAll(cases);
}

TEST_P(CutTest, IndicatorRelease) {
  RunAll({
      // The release is tried again on a new login.
      {At(Kind::BeforeCommand, "DELE", "favs.ind", CutStyle::Reset), ""},
      {At(Kind::BeforeReply, "DELE", "favs.ind", CutStyle::Close), ""},
      // The lock stays behind: the run says so, and its next run takes the lock at once.
      {At(Kind::BeforeCommand, "DELE", "favs.ind", CutStyle::Reset, true),
       "Unable to Delete Remote Indicator File.."},
  });
}

INSTANTIATE_TEST_SUITE_P(Servers, CutTest,
                         testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::PureFtpd),
                         [](const auto& info) { return FtpServerKindName(info.param); });

}  // namespace
}  // namespace kestrin::test
