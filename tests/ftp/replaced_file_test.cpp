// A file replaced whole by a rename between the client's size check and its download, as a
// computer publishing the shared list does: the download reads the one version the server
// opened, which is whole although its size is not the one checked.

#include <gtest/gtest.h>

#include <string>

#include "ftp/ftp_client.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

const std::string kOld(1367, 'o');
const std::string kNew(1428, 'n');

class ReplacedFileTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    server_ = FtpServer::Start(FtpServerKind::Pyftpdlib, {.replaceBeforeRetrieval = true});
    ASSERT_NE(server_, nullptr);
    server_->WriteFile("favs.dat", kOld);
    server_->WriteFile("favs.dat.next", kNew);
    const Result<> connected = client_->Connect(server_->LoginOptions());
    ASSERT_TRUE(connected) << connected.error();
    if (probedFirst()) {
      ASSERT_TRUE(IsPresent(client_->Probe("favs.dat")));
    }
  }

  bool probedFirst() const { return GetParam(); }

  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<FtpClient> client_ = MakeCurlFtpClient(nullptr);
  TempDir local_;
};

TEST_P(ReplacedFileTest, DownloadBringsTheNewVersionWhole) {
  const Result<> downloaded = client_->Download("favs.dat", local_.path() + "favs.dat");
  ASSERT_TRUE(downloaded) << downloaded.error();
  EXPECT_TRUE(ReadFileBytes(local_.path() + "favs.dat") == kNew);
}

TEST_P(ReplacedFileTest, ReadBringsTheNewVersionWhole) {
  const Result<std::string> read = client_->Read("favs.dat");
  ASSERT_TRUE(read) << read.error();
  EXPECT_TRUE(*read == kNew);
}

INSTANTIATE_TEST_SUITE_P(Checks, ReplacedFileTest, testing::Bool(), [](const auto& info) {
  return info.param ? "ProbedFirst" : "SizeAskedByTheDownload";
});

}  // namespace
}  // namespace kestrin::test
