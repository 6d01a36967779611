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
    client_ = MakeCurlFtpClient([this] {
      ++yields_;
      if (stopServerOnYield_) {
        server_.reset();
      }
    });
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
  int yields_ = 0;
  bool stopServerOnYield_ = false;  // the server dies while an operation waits on it
};

// The tests that do not depend on the data-connection mode run in passive mode only;
// the transfer tests run in both.
using CurlFtpTransferTest = CurlFtpClientTest;

// Connecting and logging in

TEST_P(CurlFtpClientTest, WrongPasswordFailsWithAReason) {
  FtpConnectOptions options = Options();
  options.password = "wrong";
  EXPECT_FALSE(client_->Connect(options));
  EXPECT_FALSE(client_->LastError().empty());
  EXPECT_EQ(server_->loginCount(), 0);
  EXPECT_FALSE(client_->FileExists("anything"));
}

TEST_P(CurlFtpClientTest, OperationsBeforeConnectOrAfterCloseFail) {
  server_->WriteFile("favs.dat", "list");
  EXPECT_FALSE(client_->FileExists("favs.dat"));
  Connect();
  client_->Close();
  client_->Close();
  EXPECT_FALSE(client_->FileExists("favs.dat"));
  EXPECT_FALSE(client_->Delete("favs.dat"));
  EXPECT_TRUE(ServerHas("favs.dat"));
}

// The current directory

TEST_P(CurlFtpClientTest, NamesResolveInTheDirectoryMadeCurrent) {
  server_->MakeDirectory("a/b c");
  server_->MakeDirectory("top");
  server_->WriteFile("top/favs.dat", "list");
  WriteFileBytes(Local("local.dat"), "inner");
  Connect();
  ASSERT_TRUE(client_->SetCurrentDirectory("a")) << client_->LastError();
  ASSERT_TRUE(client_->SetCurrentDirectory("b c")) << client_->LastError();
  // A missing directory fails and keeps the current one.
  EXPECT_FALSE(client_->SetCurrentDirectory("missing"));
  EXPECT_FALSE(client_->LastError().empty());
  ASSERT_TRUE(client_->Upload(Local("local.dat"), "favs.dat")) << client_->LastError();
  EXPECT_EQ(OnServer("a/b c/favs.dat"), "inner");
  EXPECT_FALSE(ServerHas("favs.dat"));
  // An absolute directory starts from the server's top.
  ASSERT_TRUE(client_->SetCurrentDirectory("/top")) << client_->LastError();
  EXPECT_TRUE(client_->FileExists("favs.dat"));
  ASSERT_TRUE(client_->Download("favs.dat", Local("temp.dat"))) << client_->LastError();
  EXPECT_EQ(ReadFileBytes(Local("temp.dat")), "list");
}

// Presence of a file

TEST_P(CurlFtpClientTest, FileExistsOnlyForAPlainFileOfThatName) {
  server_->WriteFile("favs.ind", "PC2\r\n");
  server_->MakeDirectory("favs.dat");
  Connect();
  EXPECT_TRUE(client_->FileExists("favs.ind"));
  EXPECT_FALSE(client_->FileExists("favs.dat"));
  EXPECT_FALSE(client_->FileExists("missing.ind"));
  EXPECT_FALSE(client_->FileExists("FAVS.IND"));
}

// Transfers

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

TEST_P(CurlFtpClientTest, TransfersReplaceTheWholeTarget) {
  server_->WriteFile("favs.dat", std::string(5000, 'x'));
  WriteFileBytes(Local("local.dat"), "short");
  WriteFileBytes(Local("temp.dat"), std::string(5000, 'x'));
  WriteFileBytes(Local("empty.ind"), "");
  Connect();
  ASSERT_TRUE(client_->Upload(Local("local.dat"), "favs.dat")) << client_->LastError();
  EXPECT_EQ(OnServer("favs.dat"), "short");
  ASSERT_TRUE(client_->Download("favs.dat", Local("temp.dat"))) << client_->LastError();
  EXPECT_EQ(ReadFileBytes(Local("temp.dat")), "short");
  // An empty file travels as empty.
  ASSERT_TRUE(client_->Upload(Local("empty.ind"), "favs.dat")) << client_->LastError();
  EXPECT_EQ(OnServer("favs.dat"), "");
  ASSERT_TRUE(client_->Download("favs.dat", Local("temp.dat"))) << client_->LastError();
  EXPECT_EQ(ReadFileBytes(Local("temp.dat")), "");
}

TEST_P(CurlFtpClientTest, FailedDownloadLeavesTheLocalFileAndNoDebris) {
  WriteFileBytes(Local("temp.dat"), "previous");
  Connect();
  EXPECT_FALSE(client_->Download("favs.dat", Local("temp.dat")));
  EXPECT_EQ(ReadFileBytes(Local("temp.dat")), "previous");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(local_.path()), {}), 1);
}

TEST_P(CurlFtpClientTest, DownloadCutShortLeavesTheLocalFile) {
  server_->WriteFile("favs.dat", RandomBinary(1 << 20));
  WriteFileBytes(Local("temp.dat"), "previous");
  Connect();
  stopServerOnYield_ = true;
  EXPECT_FALSE(client_->Download("favs.dat", Local("temp.dat")));
  EXPECT_EQ(ReadFileBytes(Local("temp.dat")), "previous");
}

TEST_P(CurlFtpClientTest, UploadOfAMissingLocalFileFails) {
  Connect();
  EXPECT_FALSE(client_->Upload(Local("absent.dat"), "favs.dat"));
  EXPECT_FALSE(client_->LastError().empty());
  EXPECT_FALSE(ServerHas("favs.dat"));
}

// Rename and delete

// Both servers replace the target; a server that refused would have to leave both whole.
TEST_P(CurlFtpClientTest, RenameOverAnExistingFileReplacesIt) {
  server_->WriteFile("favs.tmp", "new list");
  server_->WriteFile("favs.dat", "old list");
  Connect();
  ASSERT_TRUE(client_->Rename("favs.tmp", "favs.dat")) << client_->LastError();
  EXPECT_EQ(OnServer("favs.dat"), "new list");
  EXPECT_FALSE(ServerHas("favs.tmp"));
  EXPECT_FALSE(client_->Delete("favs.tmp"));
  EXPECT_FALSE(client_->Rename("favs.tmp", "favs.dat"));
}

// Names

TEST_P(CurlFtpClientTest, NamesWithBlanksAndSignsWork) {
  const std::string name = "my favs #1 100% & more.dat";
  WriteFileBytes(Local("local.dat"), "list");
  Connect();
  ASSERT_TRUE(client_->Upload(Local("local.dat"), name)) << client_->LastError();
  EXPECT_TRUE(ServerHas(name));
  EXPECT_TRUE(client_->FileExists(name));
  ASSERT_TRUE(client_->Download(name, Local("temp.dat"))) << client_->LastError();
  EXPECT_EQ(ReadFileBytes(Local("temp.dat")), "list");
  ASSERT_TRUE(client_->Rename(name, "other name.dat")) << client_->LastError();
  EXPECT_TRUE(ServerHas("other name.dat"));
  EXPECT_TRUE(client_->Delete("other name.dat")) << client_->LastError();
  EXPECT_FALSE(ServerHas("other name.dat"));
}

TEST_P(CurlFtpClientTest, NamesCarryingALineBreakAreRefused) {
  server_->WriteFile("favs.dat", "list");
  server_->WriteFile("x", "x");
  server_->MakeDirectory("shared");
  Connect();
  EXPECT_FALSE(client_->Delete("x\r\nDELE favs.dat"));
  EXPECT_FALSE(client_->Rename("x", "y\nDELE favs.dat"));
  EXPECT_FALSE(client_->FileExists("favs.dat\r\n"));
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
