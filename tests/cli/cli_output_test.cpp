// kestrin-cli as scripts and cron run it: its exit codes and where its lines go, what it
// prints of lists, servers and folders (their control characters shown, never obeyed), and
// where it keeps its files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "formats/sealed_file.h"
#include "settings/sync_settings.h"
#include "tests/support/cli_run.h"
#include "tests/support/ftp_server.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

std::string ListWith(const std::string& name, const std::string& url = "https://x/") {
  return "Other@1/1/2026\r\n\"1/1/2026\",\"\",\"" + name + "\",\"" + url + "\",\"\",\"\",\"F\"\r\n";
}

// C1 controls as a lone byte and as UTF-8 (U+009B), beside UTF-8 text.
const std::string kC1Name = "Caf\xc3\xa9\x9b\xc2\x9b.url";
const std::string kC1Shown = "Caf\xc3\xa9\\x9b\\xc2\\x9b.url";

TEST(CommandLineOutput, ShowAndDiffPrintTheListsControlCharactersEscaped) {
  TempDir dir;
  WriteFileBytes(dir.path() + "escape.dat", ListWith(kC1Name, "https://x/\x1b[2J\x7f\t"));
  EXPECT_EQ(RunCli("show " + dir.path() + "escape.dat").out,
            "Other\t1/1/2026\n1/1/2026\t\t" + kC1Shown + "\thttps://x/\\x1b[2J\\x7f\\x09\t\t\tF\n");

  // A copy of a sealed list opens with the settings' passphrase.
  SyncSettings settings;
  settings.Passphrase = "pass";
  ASSERT_TRUE(SaveSettings(dir.path() + "kestrin.ini", settings));
  WriteFileBytes(dir.path() + "c1.dat", *SealBytes(ListWith(kC1Name), "pass", {}));
  WriteFileBytes(dir.path() + "local.dat", "Mine@1/1/2026\r\n");
  EXPECT_EQ(RunCli("diff " + dir.path() + "local.dat " + dir.path() + "c1.dat --settings " +
                   dir.path() + "kestrin.ini")
                .out,
            "Create Locally\t\t" + kC1Shown + "\thttps://x/\t\t\tF\n");
  // With the list both last agreed on holding it, the shortcut was deleted here.
  EXPECT_EQ(RunCli("diff " + dir.path() + "local.dat " + dir.path() + "c1.dat --base " +
                   dir.path() + "c1.dat --settings " + dir.path() + "kestrin.ini")
                .out,
            "");
}

TEST(CommandLineOutput, SyncPrintsTheActivityLinesEscaped) {
  TempDir dir;
  SyncSettings settings;
  settings.Name = "A";
  settings.Server = "\x1b[2J";
  settings.Username = "user";
  settings.Password = "password";
  ASSERT_TRUE(SaveSettings(dir.path() + "kestrin.ini", settings));
  const std::string output =
      RunCli("sync --settings " + dir.path() + "kestrin.ini --favorites " + dir.path()).out;
  EXPECT_NE(output.find("\n-> Connecting to \\x1b[2J..\n"), std::string::npos) << output;
  EXPECT_EQ(output.find('\x1b'), std::string::npos);
}

// A computer whose settings ask for confirmation, and a shared list from another one that
// adds a shortcut and lacks the computer's own.
struct SyncCase {
  std::string arguments;
  bool serverDown;
  int exitCode;
  std::string out;  // what standard output begins with
  std::string err;  // what standard error begins with
  bool applied;     // the shortcut was added and the shared list replaced
};

const SyncCase kSyncCases[] = {
    {"--dry-run", false, 0,
     "Create Locally\t\tnew.url\thttps://x/\t\t\tF\nDelete Locally\t\tmine.url\t\t\t\tF\n", "",
     false},
    {"", false, 3, "kestrin started at ",
     "kestrin-cli: 2 changes wait for confirmation; none was applied. Run 'kestrin-cli sync' "
     "with --yes to apply them, --dry-run to list them.\n",
     false},
    {"--no", false, 0, "kestrin started at ", "", false},
    {"--quiet --yes", false, 0, "", "", true},
    {"--yes", true, 1, "kestrin started at ", "Error: Unable to Connect to 127.0.0.1\n  ", false},
    {"--quiet", true, 1, "", "Error: Unable to Connect to 127.0.0.1\n  ", false},
    {"--dry-run", true, 1, "", "Error: Unable to Connect to 127.0.0.1\n  ", false},
    {"--yes --no", false, 2, "", "Usage: kestrin-cli COMMAND", false},
};

TEST(CommandLineSync, ExitCodesAndWhereTheLinesGo) {
  for (const SyncCase& row : kSyncCases) {
    SCOPED_TRACE("sync " + row.arguments);
    auto server = FtpServer::Start(FtpServerKind::Pyftpdlib);
    ASSERT_TRUE(server);
    server->WriteFile("favs.dat", ListWith("new.url"));
    TempDir program;
    TempDir favorites;
    WriteFileBytes(favorites.path() + "mine.url", "[InternetShortcut]\r\nURL=https://mine/\r\n");
    const auto favoritesBefore = Tree(favorites.path());
    SyncSettings settings;
    settings.Name = "A";
    settings.Server = "127.0.0.1";
    settings.Port = row.serverDown ? "1" : std::to_string(server->port());
    settings.Username = server->user();
    settings.Password = server->password();
    ASSERT_TRUE(SaveSettings(program.path() + "kestrin.ini", settings));
    const auto serverBefore = Tree(server->root());
    const auto programBefore = Tree(program.path());

    const Outcome outcome = RunCli("sync " + row.arguments + " --settings " + program.path() +
                                   "kestrin.ini --favorites " + favorites.path());
    EXPECT_EQ(outcome.exitCode, row.exitCode);
    EXPECT_EQ(outcome.out.substr(0, row.out.size()), row.out) << outcome.out;
    EXPECT_EQ(outcome.out.empty(), row.out.empty()) << outcome.out;
    EXPECT_EQ(outcome.err.substr(0, row.err.size()), row.err) << outcome.err;
    EXPECT_EQ(outcome.err.empty(), row.err.empty()) << outcome.err;
    EXPECT_EQ(fs::exists(favorites.path() + "new.url"), row.applied);
    if (!row.applied) {
      EXPECT_EQ(Tree(server->root()), serverBefore);
      EXPECT_EQ(Tree(favorites.path()), favoritesBefore);
    }
    if (row.arguments == "--dry-run" || row.exitCode == 2) {
      EXPECT_EQ(Tree(program.path()), programBefore);
    }
  }
}

// The user's own settings live in the configuration folder, the log and the working files in
// the state folder; a settings file named on the command line keeps them beside it.
TEST(CommandLineFiles, SettingsLogAndWorkingFilesWhereLinuxLooksForThem) {
  TempDir home;
  const std::string h = home.path();
  const struct {
    std::string environment, arguments, settings, log;
  } cases[] = {
      {"-u XDG_CONFIG_HOME -u XDG_STATE_HOME", "", ".config/kestrin/kestrin.ini",
       ".local/state/kestrin/kestrin.log"},
      {"XDG_CONFIG_HOME=" + h + "c XDG_STATE_HOME=" + h + "s", "", "c/kestrin/kestrin.ini",
       "s/kestrin/kestrin.log"},
      {"", "--settings " + h + "own/x.ini", "own/x.ini", "own/x.log"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.settings);
    fs::create_directories(fs::path(h + row.settings).parent_path());
    SyncSettings settings;
    settings.Name = "A";  // the server is missing: the run ends with an error, logged
    settings.LogActivity = 1;
    ASSERT_TRUE(SaveSettings(h + row.settings, settings));
    const Outcome outcome =
        RunCli("sync --favorites " + h + " " + row.arguments, row.environment + " HOME=" + h);
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_NE(ReadFileBytes(h + row.log).find("Error: Server, Username, Password"),
              std::string::npos);
    if (row.arguments.empty()) {
      EXPECT_EQ(fs::status(fs::path(h + row.log).parent_path()).permissions(),
                fs::perms::owner_all);
    }
  }
}

// An older version kept the settings and the log beside the executable.
TEST(CommandLineFiles, FilesBesideTheExecutableAreMovedOnce) {
  TempDir dir;
  const std::string bin = dir.path() + "bin/";
  fs::create_directories(bin);
  fs::copy_file(KESTRIN_CLI, bin + "kestrin-cli");
  SyncSettings settings;
  settings.Name = "Old";
  ASSERT_TRUE(SaveSettings(bin + "kestrin.ini", settings));
  WriteFileBytes(bin + "kestrin.log", "old log\r\n");
  const std::string environment = "-u XDG_CONFIG_HOME -u XDG_STATE_HOME HOME=" + dir.path();
  const std::string arguments = "snapshot --favorites " + dir.path() + "bin";

  const Outcome moved = RunCli(arguments, environment, bin + "kestrin-cli");
  EXPECT_EQ(moved.out.rfind("Old@", 0), 0u) << moved.out;
  EXPECT_EQ(moved.err, "kestrin-cli: Moved " + bin + "kestrin.ini to " + dir.path() +
                           ".config/kestrin/kestrin.ini\nkestrin-cli: Moved " + bin +
                           "kestrin.log to " + dir.path() + ".local/state/kestrin/kestrin.log\n");
  EXPECT_EQ(ReadFileBytes(dir.path() + ".local/state/kestrin/kestrin.log"), "old log\r\n");
  EXPECT_FALSE(fs::exists(bin + "kestrin.ini"));

  WriteFileBytes(bin + "kestrin.ini", "[Settings]\r\nName=Older\r\n");
  const Outcome again = RunCli(arguments, environment, bin + "kestrin-cli");
  EXPECT_EQ(again.out.rfind("Old@", 0), 0u) << again.out;
  EXPECT_EQ(again.err, "");
}

}  // namespace
}  // namespace kestrin::test
