#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <tuple>

#include "sync/ftp_client.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

using ServerAndMode = std::tuple<FtpServerKind, bool>;  // bool: passive transfers

std::string RandomBinary(size_t size) {
  std::mt19937 generator(20240601);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size, '\0');
  for (auto& b : bytes) {
    b = static_cast<char>(byte(generator));
  }
  // The bytes a text-mode transfer would mangle, in a row and at the edges.
  bytes.replace(0, 4, std::string("\r\n\0\n", 4));
  bytes.replace(size / 2, 3, std::string("\n\r\0", 3));
  bytes.back() = '\r';
  return bytes;
}

class CurlFtpClientTest : public testing::TestWithParam<ServerAndMode> {
 protected:
  void SetUp() override {
    server_ = FtpServer::Start(std::get<0>(GetParam()));
    if (server_ == nullptr) {
      GTEST_SKIP() << FtpServerKindName(std::get<0>(GetParam())) << " cannot run here";
    }
    client_ = MakeCurlFtpClient(nullptr);
  }

  FtpConnectOptions Options() const {
    FtpConnectOptions options;
    options.server = "127.0.0.1";
    options.port = server_->port();
    options.username = server_->user();
    options.password = server_->password();
    options.passive = std::get<1>(GetParam());
    options.connectTimeout = std::chrono::seconds(10);
    options.replyTimeout = std::chrono::seconds(10);
    options.stallTimeout = std::chrono::seconds(10);
    return options;
  }

  void Connect() { ASSERT_TRUE(client_->Connect(Options())) << client_->LastError(); }

  std::string Local(const std::string& name) const { return local_.path() + name; }
  std::string OnServer(const std::string& relativePath) const {
    return ReadFileBytes(server_->root() + relativePath);
  }
  bool ServerHas(const std::string& relativePath) const {
    return std::filesystem::exists(server_->root() + relativePath);
  }

  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<FtpClient> client_;
  TempDir local_;
};

// The tests that do not depend on the data-connection mode run in passive mode only;
// the transfer tests run in both.
using CurlFtpTransferTest = CurlFtpClientTest;

TEST_P(CurlFtpTransferTest, BinaryRoundTripKeepsEveryByte) {
  const std::string bytes = RandomBinary(1 << 20);
  WriteFileBytes(Local("local.dat"), bytes);
  Connect();
  ASSERT_TRUE(client_->Upload(Local("local.dat"), "favs.dat")) << client_->LastError();
  EXPECT_TRUE(OnServer("favs.dat") == bytes);
  ASSERT_TRUE(client_->Download("favs.dat", Local("temp.dat"))) << client_->LastError();
  EXPECT_TRUE(ReadFileBytes(Local("temp.dat")) == bytes);
}

TEST_P(CurlFtpTransferTest, DataConnectionsFollowThePassiveOption) {
  if (std::get<0>(GetParam()) != FtpServerKind::Pyftpdlib) {
    GTEST_SKIP() << "only pyftpdlib logs the data connection commands";
  }
  WriteFileBytes(Local("local.dat"), "list");
  Connect();
  ASSERT_TRUE(client_->Upload(Local("local.dat"), "favs.dat"));
  ASSERT_TRUE(client_->Download("favs.dat", Local("temp.dat")));
  const std::string log = server_->log();
  const bool sawPassive =
      log.find("PASV ") != std::string::npos || log.find("EPSV ") != std::string::npos;
  const bool sawActive =
      log.find("PORT ") != std::string::npos || log.find("EPRT ") != std::string::npos;
  EXPECT_EQ(sawPassive, std::get<1>(GetParam())) << log;
  EXPECT_EQ(sawActive, !std::get<1>(GetParam())) << log;
}

TEST_P(CurlFtpClientTest, NamesCarryingALineBreakAreRefused) {
  server_->WriteFile("favs.dat", "list");
  server_->WriteFile("x", "x");
  server_->MakeDirectory("shared");
  Connect();
  EXPECT_FALSE(client_->Delete("x\r\nDELE favs.dat"));
  EXPECT_EQ(client_->Rename("x", "y\nDELE favs.dat"), RenameResult::Failed);
  EXPECT_EQ(client_->Probe("favs.dat\r\n"), RemoteFile::Unknown);
  EXPECT_FALSE(client_->SetCurrentDirectory("shared\r\nDELE favs.dat"));
  EXPECT_TRUE(ServerHas("favs.dat"));
  EXPECT_TRUE(ServerHas("x"));
}

std::string ParamName(const testing::TestParamInfo<ServerAndMode>& info) {
  return FtpServerKindName(std::get<0>(info.param)) +
         (std::get<1>(info.param) ? "Passive" : "Active");
}

const auto kServers = testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::PureFtpd);

INSTANTIATE_TEST_SUITE_P(Servers, CurlFtpClientTest,
                         testing::Combine(kServers, testing::Values(true)), ParamName);
INSTANTIATE_TEST_SUITE_P(Servers, CurlFtpTransferTest, testing::Combine(kServers, testing::Bool()),
                         ParamName);

}  // namespace
}  // namespace kestrin::test
