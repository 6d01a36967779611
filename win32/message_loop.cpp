#include "win32/message_loop.h"

namespace kestrin::win32 {

namespace {

// A WM_QUIT taken by an inner loop, handed on to the outermost one.
bool quitting = false;
int exitCode = 0;

// Takes the next message, waiting up to `timeout`; false when none came or the program
// is quitting.
bool NextMessage(MSG& message, DWORD timeout) {
  if (quitting) {
    return false;
  }
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (timeout == 0 ||
        MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
            WAIT_TIMEOUT ||
        !PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      return false;
    }
  }
  if (message.message == WM_QUIT) {
    quitting = true;
    exitCode = int(message.wParam);
    return false;
  }
  return true;
}

}  // namespace

void HandleMessage(MSG& message) {
  HWND topLevel = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (topLevel && IsDialogMessageW(topLevel, &message)) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void RunUntil(const std::function<bool()>& done) {
  MSG message;
  while (!done() && NextMessage(message, INFINITE)) {
    HandleMessage(message);
  }
}

void RunPending() {
  MSG message;
  while (NextMessage(message, 0)) {
    HandleMessage(message);
  }
}

void RunFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  MSG message;
  for (auto now = std::chrono::steady_clock::now(); now < end && !quitting;
       now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
    if (NextMessage(message, DWORD(left.count()) + 1)) {
      HandleMessage(message);
    }
  }
}

int RunProgram() {
  RunUntil([] { return false; });
  return exitCode;
}

}  // namespace kestrin::win32
