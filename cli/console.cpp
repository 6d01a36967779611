#include "cli/console.h"

#include <poll.h>
#include <unistd.h>

namespace kestrin::cli {

void UseByteOutput() {}

bool AnswerArrives(int timeoutMs) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  return poll(&input, 1, timeoutMs) > 0;
}

}  // namespace kestrin::cli
