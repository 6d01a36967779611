// Servers that refuse what others take: a bare NLST (as Twisted's does), SIZE, MLST, STAT, or
// that answer MLST with a refusal that tells nothing (as pure-ftpd does), STAT with their own
// status. The client still
// tells a file from a folder and from nothing, and moves whole files.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "ftp/ftp_client.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

struct Refusal {
  std::string name;
  FtpServerOptions options;
  FtpServerKind kind = FtpServerKind::Pyftpdlib;

  friend void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }
};

class RefusingServerTest : public testing::TestWithParam<Refusal> {
 protected:
  void SetUp() override {
    server_ = FtpServer::Start(GetParam().kind, GetParam().options);
    if (server_ == nullptr && GetParam().kind != FtpServerKind::Pyftpdlib) {
      GTEST_SKIP() << FtpServerKindName(GetParam().kind) << " cannot run here";
    }
    ASSERT_NE(server_, nullptr);
    server_->WriteFile("favs.ind", "A\r\n");
    server_->MakeDirectory("folder");
    server_->WriteFile("folder/inside.txt", "x");
    const Result<> connected = client_->Connect(server_->LoginOptions());
    ASSERT_TRUE(connected) << connected.error();
  }

  std::unique_ptr<FtpServer> server_;
  std::unique_ptr<FtpClient> client_ = MakeCurlFtpClient(nullptr);
  TempDir local_;
};

TEST_P(RefusingServerTest, PresenceOfAFileAFolderAndNothing) {
  for (const auto& [name, expected] :
       {std::pair{"favs.ind", RemoteFile::Present}, std::pair{"folder", RemoteFile::Absent},
        std::pair{"favs.dat", RemoteFile::Absent}}) {
    const Result<RemoteFile> presence = client_->Probe(name);
    ASSERT_TRUE(presence) << name << ": " << presence.error();
    EXPECT_EQ(*presence, expected) << name;
  }
}

TEST_P(RefusingServerTest, WholeFilesGoUpAndComeBack) {
  const std::string bytes(100000, 'x');
  WriteFileBytes(local_.path() + "local.dat", bytes);
  const Result<> uploaded = client_->Upload(local_.path() + "local.dat", "favs.dat");
  ASSERT_TRUE(uploaded) << uploaded.error();
  ASSERT_TRUE(IsPresent(client_->Probe("favs.dat")));
  const Result<> downloaded = client_->Download("favs.dat", local_.path() + "temp.dat");
  ASSERT_TRUE(downloaded) << downloaded.error();
  EXPECT_TRUE(ReadFileBytes(local_.path() + "temp.dat") == bytes);
  const Result<std::string> read = client_->Read("favs.ind");
  ASSERT_TRUE(read) << read.error();
  EXPECT_EQ(*read, "A\r\n");
}

const std::string kNotImplemented = "502 Command not implemented.";

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusingServerTest,
    testing::Values(
        Refusal{"BareNlst", {.nlstNeedsArgument = true}},
        Refusal{"Size", {.refusedCommands = {{"SIZE", kNotImplemented}}}},
        Refusal{"SizeUnknown", {.refusedCommands = {{"SIZE", "500 Unknown command."}}}},
        Refusal{"SizeAndMlst",
                {.refusedCommands = {{"SIZE", kNotImplemented}, {"MLST", kNotImplemented}},
                 .nlstNeedsArgument = true}},
        Refusal{"MlstAmbiguous", {.refusedCommands = {{"MLST", "550 Not a plain file."}}}},
        Refusal{
            "MlstAmbiguousStatRefused",
            {.refusedCommands = {{"MLST", "550 Not a plain file."}, {"STAT", kNotImplemented}}}},
        Refusal{"MlstAmbiguousStatOfTheServer",
                {.refusedCommands = {{"MLST", "550 Not a plain file."},
                                     {"STAT", "211 FTP server status: all is well."}}}},
        Refusal{
            "SizeAmbiguousMlstRefused",
            {.refusedCommands = {{"SIZE", "550 Not a plain file."}, {"MLST", kNotImplemented}}}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace kestrin::test
