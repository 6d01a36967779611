#include "platform/open_with_default.h"

#include <cerrno>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kestrin {

bool OpenWithDefaultProgram(const std::string& path) {
  // A short-lived shell starts xdg-open in the background and exits, so the opener is
  // adopted by init and never becomes our zombie; the path travels as an argument, never
  // as shell text. A path that looks like an option is made unambiguous.
  static constexpr char kScript[] =
      "command -v xdg-open >/dev/null 2>&1 || exit 127; xdg-open \"$1\" </dev/null & exit 0";
  const std::string argument = (!path.empty() && path.front() == '-') ? "./" + path : path;
  char* const argv[] = {const_cast<char*>("sh"),
                        const_cast<char*>("-c"),
                        const_cast<char*>(kScript),
                        const_cast<char*>("sh"),
                        const_cast<char*>(argument.c_str()),
                        nullptr};
  pid_t shell = 0;
  if (::posix_spawn(&shell, "/bin/sh", nullptr, nullptr, argv, environ) != 0) {
    return false;
  }
  int status = 0;
  while (::waitpid(shell, &status, 0) < 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kestrin
