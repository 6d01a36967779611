// A run holds the FTP password and the passphrase in memory. The kernel writes no core dump
// of a process that is not dumpable, lets no other process of its user read its memory, and
// shows it by giving the process's /proc entries to root instead of to its user. So here
// kestrin-cli runs as "nobody", caught in the middle of a run: its login waits on a server
// that never answers.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "settings/sync_settings.h"
#include "tests/support/temp_dir.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

// A listening socket on 127.0.0.1 that accepts nothing itself; -1 when none can be had.
int SilentServer(int& port) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return -1;
  }
  port = ntohs(address.sin_port);
  return listener;
}

TEST(Secrets, ARunningSyncIsNotDumpable) {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0 || nobody == nullptr) {
    GTEST_SKIP() << "needs root and the user nobody";
  }
  int port = 0;
  const int listener = SilentServer(port);
  ASSERT_GE(listener, 0);
  TempDir dir;
  fs::create_directory(dir.path() + "fav");
  SyncSettings settings;
  settings.Name = "A";
  settings.Server = "127.0.0.1";
  settings.Username = "user";
  settings.Password = "secret";
  settings.Port = std::to_string(port);
  ASSERT_TRUE(SaveSettings(dir.path() + "k.ini", settings));
  for (const std::string& path : {dir.path(), dir.path() + "fav", dir.path() + "k.ini"}) {
    ASSERT_EQ(chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << path;
  }

  const std::string uid = "--reuid=" + std::to_string(nobody->pw_uid);
  const std::string gid = "--regid=" + std::to_string(nobody->pw_gid);
  const std::string settingsPath = dir.path() + "k.ini";
  const std::string favorites = dir.path() + "fav";
  const pid_t child = fork();
  if (child == 0) {
    execl("/usr/bin/setpriv", "setpriv", uid.c_str(), gid.c_str(), "--clear-groups", KESTRIN_CLI,
          "sync", "--yes", "--quiet", "--settings", settingsPath.c_str(), "--favorites",
          favorites.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Once it connects, it has read the password and is about to send it.
  pollfd connection{listener, POLLIN, 0};
  const bool connected = poll(&connection, 1, 120'000) == 1;
  struct stat status {};
  const bool seen = stat(("/proc/" + std::to_string(child) + "/status").c_str(), &status) == 0;
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(listener);
  ASSERT_TRUE(connected) << "kestrin-cli did not connect";
  ASSERT_TRUE(seen);
  EXPECT_EQ(status.st_uid, 0u) << "the process is dumpable: its /proc entries are its user's";
}

}  // namespace
}  // namespace kestrin::test
