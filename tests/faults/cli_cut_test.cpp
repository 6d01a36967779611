// The command-line program through a cut network: its exit status tells scripts the truth.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/sync_settings.h"
#include "tests/faults/cut_fixture.h"

extern char** environ;

namespace kestrin::test {
namespace {

class CliCutTest : public CutFixture {
 protected:
  // `kestrin-cli sync` with B's settings and Favorites; its exit status, its output kept.
  int SyncWithTheCommandLineProgram() {
    const std::string settingsPath = b->program() + "kestrin.ini";
    EXPECT_TRUE(SaveSettings(settingsPath, b->settings));
    std::vector<std::string> words = {KESTRIN_CLI,  "sync",        "--settings",
                                      settingsPath, "--favorites", b->favorites()};
    std::vector<char*> argv;
    for (auto& word : words) {
      argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    // The C locale gives the same en-US dates as the computers of the fixture.
    std::vector<char*> env;
    std::string locale = "LC_ALL=C";
    for (char** variable = environ; *variable != nullptr; ++variable) {
      if (std::string(*variable).rfind("LC_ALL=", 0) != 0) {
        env.push_back(*variable);
      }
    }
    env.push_back(locale.data());
    env.push_back(nullptr);

    const std::string outputPath = output_.path() + "output";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    const bool spawned =
        posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (!spawned || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
      ADD_FAILURE() << "kestrin-cli did not run to its end";
      return -1;
    }
    output = ReadFileBytes(outputPath);
    return WEXITSTATUS(status);
  }

  std::string output;

 private:
  TempDir output_;
};

TEST_P(CliCutTest, ACutRunExitsWithFailureAndTheNextOneMendsIt) {
  CutPoint login;
  login.kind = CutPoint::Kind::BeforeCommand;
  login.verb = "USER";
  CutPoint lastByte;
  lastByte.kind = CutPoint::Kind::DataBytes;
  lastByte.verb = "STOR";
  lastByte.argumentPrefix = "favs.dat.";
  lastByte.bytes = [this] {
    return static_cast<size_t>(std::filesystem::file_size(b->program() + "local.dat")) - 1;
  };
  for (const Cut& cut : {Cut{login, CutStyle::Reset}, Cut{lastByte, CutStyle::Close}}) {
    SCOPED_TRACE(cut.at.Describe());
    PrepareScene();
    if (HasFatalFailure()) {
      return;
    }
    const int failures = FailureCount();
    proxy->Arm(cut);
    EXPECT_EQ(SyncWithTheCommandLineProgram(), 1) << output;
    const bool fired = proxy->fired();
    EXPECT_TRUE(fired) << Transcript();
    EXPECT_NE(output.find("\nError: Unable to "), std::string::npos) << output;
    EXPECT_TRUE(IsAWholeList(SharedList())) << SharedList();
    EXPECT_FALSE(OnServer("favs.ind"));

    proxy->Heal();
    EXPECT_EQ(SyncWithTheCommandLineProgram(), 0) << output;
    ExpectConvergence();
    Count(fired, failures);
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, CliCutTest,
                         testing::Values(FtpServerKind::Pyftpdlib, FtpServerKind::PureFtpd),
                         [](const auto& info) { return FtpServerKindName(info.param); });

}  // namespace
}  // namespace kestrin::test
