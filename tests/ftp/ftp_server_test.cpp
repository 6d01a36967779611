#include "tests/support/ftp_server.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrin::test {
namespace {

class FtpServerTest : public testing::TestWithParam<FtpServerKind> {};

TEST_P(FtpServerTest, StartsOnLoopbackWithAnEmptyRootAndNoLogins) {
  auto server = FtpServer::Start(GetParam());
  if (server == nullptr) {
    GTEST_SKIP() << FtpServerKindName(GetParam()) << " cannot run here";
  }
  EXPECT_GT(server->port(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(server->root()));
  EXPECT_EQ(server->root().back(), '/');
  EXPECT_EQ(server->loginCount(), 0);
}

TEST_P(FtpServerTest, RemovesItsRootWhenStopped) {
  std::string root;
  {
    auto server = FtpServer::Start(GetParam());
    if (server == nullptr) {
      GTEST_SKIP() << FtpServerKindName(GetParam()) << " cannot run here";
    }
    root = server->root();
  }
  EXPECT_FALSE(std::filesystem::exists(root));
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpServerTest,
                         testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::PureFtpd),
                         [](const auto& info) { return FtpServerKindName(info.param); });

}  // namespace
}  // namespace kestrin::test
