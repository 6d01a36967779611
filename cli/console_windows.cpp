#include "cli/console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace kestrin::cli {

void UseByteOutput() {
  _setmode(_fileno(stdout), _O_BINARY);
}

bool AnswerArrives(int timeoutMs) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  return WaitForSingleObject(input, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

}  // namespace kestrin::cli
