// Runs over WebDAV on Apache: the lock and the publication as conditional requests where the
// server gives strong ETags, the checks by reading back where it gives weak ones.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/sync/computer.h"

namespace kestrin::test {
namespace {

const std::string kNoStrongTags = "-> Server Gives No Strong ETags, Checking Instead..";

TEST(WebDavRunTest, WeakTagsAreSaidOnceAndCheckedInstead) {
  for (const bool weak : {false, true}) {
    SCOPED_TRACE(weak ? "weak tags" : "strong tags");
    const auto server = FtpServer::Start(FtpServerKind::ApacheDav, {.weakETags = weak});
    if (server == nullptr) {
      GTEST_SKIP() << "Apache cannot run here";
    }
    Computer a("A", *server);
    Computer b("B", *server);
    a.AddShortcut("From A.url", "https://a/");
    ASSERT_TRUE(a.Sync()) << Reason(a.display.lines);
    ASSERT_TRUE(b.Sync()) << Reason(b.display.lines);
    for (const Computer* computer : {&a, &b}) {
      const auto& lines = computer->display.lines;
      EXPECT_EQ(std::count(lines.begin(), lines.end(), kNoStrongTags), weak ? 1 : 0)
          << testing::PrintToString(lines);
    }
    EXPECT_EQ(b.Tree(), a.Tree());
    EXPECT_FALSE(std::filesystem::exists(server->root() + "favs.ind"));
  }
}

TEST(WebDavRunTest, AMissingRemoteFolderEndsTheRun) {
  const auto server = FtpServer::Start(FtpServerKind::ApacheDav);
  if (server == nullptr) {
    GTEST_SKIP() << "Apache cannot run here";
  }
  Computer computer("A", *server);
  computer.settings.RemoteDir = "no/such/dir";
  EXPECT_FALSE(computer.Sync());
  EXPECT_EQ(
      Ending(computer.display.lines),
      (std::vector<std::string>{"-> Closing Internet Connection..",
                                "Error: Unable to Set Remote Directory..", "kestrin ended at"}));
  EXPECT_EQ(Reason(computer.display.lines), "the server has no folder \"no/such/dir\"");
}

}  // namespace
}  // namespace kestrin::test
