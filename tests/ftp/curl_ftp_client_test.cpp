// What the runs through the client cannot show: every byte value survives a transfer in
// either data-connection mode and over every transport (FTP, FTPS, SFTP, WebDAV), the mode follows
// the option, and no name smuggles in a command.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <tuple>

#include "ftp/ftp_client.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

class CurlFtpClientTest : public testing::TestWithParam<std::tuple<FtpServerKind, bool>> {
 protected:
  void SetUp() override {
    server_ = FtpServer::Start(kind_);
    if (server_ == nullptr || (kind_ == FtpServerKind::PureFtpdTls && !passive_)) {
      // Runs never ask for active transfers over TLS, on which libcurl 7.88 hangs.
      GTEST_SKIP() << FtpServerKindName(kind_) << " cannot run here, or TLS actively";
    }
    FtpConnectOptions options = server_->LoginOptions();
    options.passive = passive_;
    const Result<> connected = client_->Connect(options);
    ASSERT_TRUE(connected) << connected.error();
  }

  const FtpServerKind kind_ = std::get<0>(GetParam());
  const bool passive_ = std::get<1>(GetParam());
  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<FtpClient> client_ = MakeCurlFtpClient(nullptr);
  TempDir local_;
};

TEST_P(CurlFtpClientTest, BinaryRoundTripKeepsEveryByteInTheChosenMode) {
  // Every byte value, and the line breaks a text-mode transfer would mangle at the edges.
  std::string bytes = "\r\n\n";
  for (int i = 0; i < (1 << 20); ++i) {
    bytes += static_cast<char>(i);
  }
  bytes += '\r';
  WriteFileBytes(local_.path() + "local.dat", bytes);
  const Result<> uploaded = client_->Upload(local_.path() + "local.dat", "favs.dat");
  ASSERT_TRUE(uploaded) << uploaded.error();
  EXPECT_TRUE(ReadFileBytes(server_->root() + "favs.dat") == bytes);
  const Result<> downloaded = client_->Download("favs.dat", local_.path() + "temp.dat");
  ASSERT_TRUE(downloaded) << downloaded.error();
  EXPECT_TRUE(ReadFileBytes(local_.path() + "temp.dat") == bytes);
  if (kind_ == FtpServerKind::Pyftpdlib) {  // only pyftpdlib logs the data connection commands
    const std::string log = server_->log();
    EXPECT_EQ(log.find("EPSV ") != std::string::npos || log.find("PASV ") != std::string::npos,
              passive_)
        << log;
    EXPECT_EQ(log.find("EPRT ") != std::string::npos || log.find("PORT ") != std::string::npos,
              !passive_)
        << log;
  }
}

// Read without its size asked first, a file is the same only when every byte arrived and no
// byte more: in binary mode, as the first transfer of a connection too.
TEST_P(CurlFtpClientTest, HoldsTellsTheSameBytesFromAnyOthers) {
  // The answer, or none when the file could not be read.
  const auto holds = [this](const std::string& name, const std::string& expected) {
    const Result<bool> held = client_->Holds(name, expected);
    return held ? std::optional(*held) : std::nullopt;
  };
  const std::string lock = "Study\r\n";
  server_->WriteFile("favs.ind", lock);
  EXPECT_EQ(holds("favs.ind", lock), true);
  for (const std::string& other :
       {std::string("Study"), lock + "\n", std::string("Stody\r\n"), std::string()}) {
    EXPECT_EQ(holds("favs.ind", other), false) << other;
  }
  std::string large(3 << 20, '\r');
  large[large.size() / 2] = '\n';
  server_->WriteFile("favs.dat", large);
  EXPECT_EQ(holds("favs.dat", large), true);
  large.back() = '\n';
  EXPECT_EQ(holds("favs.dat", large), false);
  // A comparison ends at the first byte that differs; the connection serves on.
  large.back() = '\r';
  large[10] = 'x';
  EXPECT_EQ(holds("favs.dat", large), false);
  EXPECT_EQ(holds("favs.ind", lock), true);
  EXPECT_EQ(holds("missing.ind", lock), std::nullopt);
  EXPECT_EQ(holds("favs.ind\r\nDELE favs.dat", lock), std::nullopt);
}

TEST_P(CurlFtpClientTest, NamesCarryingALineBreakAreRefused) {
  server_->WriteFile("favs.dat", "list");
  server_->MakeDirectory("shared");
  EXPECT_FALSE(client_->Delete("shared\r\nDELE favs.dat"));
  const auto renamed = client_->Rename("shared", "y\nDELE favs.dat");
  EXPECT_TRUE(!renamed && renamed.error().refused == RenameRefusal::None);
  EXPECT_FALSE(client_->Probe("favs.dat\r\n"));
  EXPECT_FALSE(client_->SetCurrentDirectory("shared\r\nDELE favs.dat"));
  EXPECT_TRUE(std::filesystem::exists(server_->root() + "favs.dat"));
  EXPECT_TRUE(std::filesystem::is_directory(server_->root() + "shared"));
}

const auto kModeName = [](const auto& info) {
  return FtpServerKindName(std::get<0>(info.param)) +
         (std::get<1>(info.param) ? "Passive" : "Active");
};

INSTANTIATE_TEST_SUITE_P(
    FtpServers, CurlFtpClientTest,
    testing::Combine(testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::PureFtpd,
                                     FtpServerKind::PureFtpdTls, FtpServerKind::OpenSsh),
                     testing::Bool()),
    kModeName);

// HTTP has no data connection whose mode could be chosen.
INSTANTIATE_TEST_SUITE_P(WebDavServers, CurlFtpClientTest,
                         testing::Combine(testing::Values(FtpServerKind::ApacheDav,
                                                          FtpServerKind::ApacheDavTls),
                                          testing::Values(true)),
                         kModeName);

}  // namespace
}  // namespace kestrin::test
