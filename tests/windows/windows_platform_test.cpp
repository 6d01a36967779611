// What Windows does differently: names through the wide-character functions, the list's
// code page, the named mutex, the FTP client's local files. Run under Wine by wine_test.py.

#include <gtest/gtest.h>

#include <cstdlib>

#include "desktop/help_document.h"
#include "favorites/data_file.h"
#include "ftp/ftp_client.h"
#include "platform/atomic_file.h"
#include "platform/native_path.h"
#include "platform/posix_files.h"
#include "platform/program_folder.h"
#include "platform/single_instance.h"
#include "platform/system_text.h"
#include "platform/whole_file.h"
#include "settings/program_files.h"

namespace kestrin {
namespace {

TEST(WindowsPlatform, NonAsciiNamesReachTheFileSystemAsUtf8) {
  const std::string folder = CorePath(std::filesystem::current_path()) + "/Café Ωmega/";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string file = folder + "Crème.url";
  ASSERT_TRUE(WriteFileAtomically(file, "old", 0600));
  ASSERT_TRUE(WriteFileAtomically(file, "new\r\n", 0600));  // replaces
  EXPECT_EQ(ReadWholeFile(file), "new\r\n");
  EXPECT_TRUE(std::filesystem::exists(NativePath(folder) / L"Cr\u00e8me.url"));
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  while (const dirent* entry = readdir(dir)) {
    names.push_back(entry->d_name);
  }
  closedir(dir);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Crème.url"}));
  struct stat info {};
  ASSERT_EQ(lstat(file.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_size, 5);
  EXPECT_TRUE(IsAbsolutePath(folder));
}

TEST(WindowsPlatform, ListsInTheAnsiCodePageReadAsUtf8) {
  const std::optional<std::string> ansi = TextInAnsiCodePage("Café");
  ASSERT_TRUE(ansi);
  EXPECT_EQ(*ansi, "Caf\xe9");
  EXPECT_FALSE(TextInAnsiCodePage("Ωmega"));  // not in code page 1252
  const std::string list =
      "Win@1/2/2026\r\n\"1/2/2026\",\"" + *ansi + "\",\"\",\"\",\"\",\"\",\"D\"\r\n";
  for (const std::string& bytes : {list, TextAsUtf8(list)}) {
    const Result<FavoritesDataFile> parsed = ParseFavoritesDataFile(bytes, false);
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->records[0].Path, "Café");
  }
}

TEST(WindowsPlatform, OneInstanceHoldsTheNamedMutex) {
  const SingleInstanceLock first("kestrin-test");
  EXPECT_FALSE(first.anotherInstanceRuns());
  EXPECT_TRUE(SingleInstanceLock("kestrin-test").anotherInstanceRuns());
}

// A copy in a folder the user may write keeps its settings, log and working files beside it.
TEST(WindowsPlatform, AWritableExecutableFolderHoldsTheProgramFiles) {
  const std::string executable = ExecutablePath();
  const std::string beside = executable.substr(0, executable.rfind('/') + 1);
  EXPECT_EQ(SettingsFilePath(), beside + "kestrin.ini");
  const ProgramFiles files = ProgramFilesFor(SettingsFilePath());
  EXPECT_EQ(files.workFolder, beside);
  EXPECT_EQ(files.logPath, beside + "kestrin.log");
  EXPECT_TRUE(MoveFilesFromExecutableFolder().empty());  // already where they belong
}

// A user's name often holds letters beyond ASCII, and with it the program's folder.
TEST(WindowsPlatform, HelpIsFoundInAProgramFolderWithANonAsciiName) {
  const std::string folder = CorePath(std::filesystem::current_path()) + "/José Ωmega/";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  ASSERT_TRUE(WriteFileAtomically(folder + "Kestrin.chm", "help", 0600));
  EXPECT_EQ(desktop::HelpDocumentPath(folder, ExecutablePath()), folder + "Kestrin.chm");
}

// The FTP client against the pyftpdlib that wine_test.py serves on the port in
// KESTRIN_TEST_FTP_PORT (user "user", password "secret"; renames onto a file are refused).
class FtpClientOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* port = std::getenv("KESTRIN_TEST_FTP_PORT");
    if (port == nullptr) {
      GTEST_SKIP() << "no FTP server";
    }
    options_.server = "127.0.0.1";
    options_.port = std::atoi(port);
    options_.username = "user";
    options_.password = "secret";
  }

  FtpConnectOptions options_;
  std::unique_ptr<FtpClient> client_ = MakeCurlFtpClient([] {});
};

TEST_F(FtpClientOnWindows, SaysWhatTheServerAnswered) {
  options_.password = "wrong";
  const Result<> refused = client_->Connect(options_);
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().find("530"), std::string::npos) << refused.error();
}

// The local files are named in UTF-8, as every path in the core: the working folder lies in
// the user's profile, whose name need not fit the ANSI code page.
TEST_F(FtpClientOnWindows, StoresChecksAndRenamesTellingWhichNameWasRefused) {
  const std::string local = "\xce\xa9 list", received = "\xce\xa9 received";
  ASSERT_TRUE(client_->Connect(options_));
  ASSERT_TRUE(WriteFileAtomically(local, "Win@1/2/2026\r\n", 0600));
  ASSERT_TRUE(client_->Upload(local, "new"));
  ASSERT_TRUE(client_->Upload(local, "taken"));
  EXPECT_TRUE(IsPresent(client_->Probe("new")));
  EXPECT_EQ(*client_->Probe("none"), RemoteFile::Absent);
  EXPECT_EQ(client_->Rename("none", "x").error().refused, RenameRefusal::Source);
  EXPECT_EQ(client_->Rename("new", "taken").error().refused, RenameRefusal::Target);
  ASSERT_TRUE(client_->Delete("taken"));
  ASSERT_TRUE(client_->Rename("new", "taken"));
  ASSERT_TRUE(client_->Download("taken", received));
  EXPECT_EQ(ReadWholeFile(received), "Win@1/2/2026\r\n");
  EXPECT_FALSE(client_->SetCurrentDirectory("none"));
  EXPECT_TRUE(client_->Delete("taken"));
}

// pure-ftpd over TLS, which wine_test.py serves on KESTRIN_TEST_FTPS_PORT with the
// certificate in KESTRIN_TEST_FTPS_AUTHORITY: the authorities of that file stand for the
// system's own, and the key shown is told as a system-trusted one.
TEST(FtpsOnWindows, TrustsTheAuthoritiesOfTheGivenFile) {
  const char* port = std::getenv("KESTRIN_TEST_FTPS_PORT");
  const char* authority = std::getenv("KESTRIN_TEST_FTPS_AUTHORITY");
  const char* fingerprint = std::getenv("KESTRIN_TEST_FTPS_FINGERPRINT");
  if (port == nullptr || authority == nullptr || fingerprint == nullptr) {
    GTEST_SKIP() << "no FTPS server";
  }
  FtpConnectOptions options;
  options.server = "127.0.0.1";
  options.port = std::atoi(port);
  options.username = "kestrin";
  options.password = "pass word";
  options.protocol = Protocol::FtpOverTls;
  options.trustedAuthorities = authority;
  const std::unique_ptr<FtpClient> client = MakeCurlFtpClient([] {});
  const Result<> connected = client->Connect(options);
  ASSERT_TRUE(connected) << connected.error();
  EXPECT_EQ(client->PresentedFingerprint(), std::string(kSystemTrustedMark) + fingerprint);
  EXPECT_TRUE(client->SetCurrentDirectory("tls"));
}

}  // namespace
}  // namespace kestrin
