// A broken or hostile server cannot fill the disk: downloads stop at the client's limit.

#include <gtest/gtest.h>

#include <filesystem>

#include "ftp/ftp_client.h"
#include "tests/support/cutting_proxy.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

class DownloadLimitTest : public testing::TestWithParam<FtpServerKind> {
 protected:
  void SetUp() override {
    server_ = FtpServer::Start(GetParam());
    if (!server_) {
      GTEST_SKIP() << FtpServerKindName(GetParam()) << " cannot run here";
    }
    proxy_ = std::make_unique<CuttingProxy>(server_->port());
  }

  std::unique_ptr<FtpClient> Connect(std::int64_t limit) {
    FtpConnectOptions options;
    options.server = "127.0.0.1";
    options.port = proxy_->port();
    options.username = server_->user();
    options.password = server_->password();
    options.maxDownloadBytes = limit;
    auto client = MakeCurlFtpClient([] {});
    EXPECT_TRUE(client->Connect(options)) << client->LastError();
    return client;
  }

  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<CuttingProxy> proxy_;
  TempDir local_;
};

TEST_P(DownloadLimitTest, AFileBeyondTheLimitIsRefusedWhetherItsSizeIsAnnouncedOrNot) {
  const std::string endless(4096, 'x');
  server_->WriteFile("favs.dat", endless);
  const std::string target = local_.path() + "temp.dat";
  WriteFileBytes(target, "previous");

  auto client = Connect(1024);
  EXPECT_FALSE(client->Download("favs.dat", target));
  // A server that will not tell the size beforehand is stopped while it sends.
  proxy_->RewriteReplies([](const std::string& verb, const std::string& line) {
    return verb == "SIZE" ? std::string("502 Command not implemented.\r\n") : line;
  });
  EXPECT_FALSE(client->Download("favs.dat", target));
  EXPECT_EQ(client->LastError(), "more than 1024 bytes");
  EXPECT_EQ(ReadFileBytes(target), "previous");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(local_.path()), {}), 1);

  ASSERT_TRUE(Connect(4096)->Download("favs.dat", target));
  EXPECT_EQ(ReadFileBytes(target), endless);
}

INSTANTIATE_TEST_SUITE_P(Servers, DownloadLimitTest,
                         testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::PureFtpd),
                         [](const auto& info) { return FtpServerKindName(info.param); });

}  // namespace
}  // namespace kestrin::test
