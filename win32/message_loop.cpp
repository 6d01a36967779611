#include "win32/message_loop.h"

namespace kestrin::win32 {

namespace {

// A WM_QUIT taken by an inner loop, handed on to the outermost one.
bool quitting = false;
int exitCode = 0;

// Takes a pending message; false when there is none or it is the request to quit.
bool TakeMessage(MSG& message) {
  if (quitting || !PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    return false;
  }
  if (message.message == WM_QUIT) {
    quitting = true;
    exitCode = int(message.wParam);
    return false;
  }
  return true;
}

void HandleMessage(MSG& message) {
  HWND topLevel = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  // Ctrl+Tab turns a tabbed window's page, as in property sheets: the window gets the key
  // before the Tab moves the focus.
  if (topLevel && message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
      GetKeyState(VK_CONTROL) < 0) {
    SendMessageW(topLevel, WM_KEYDOWN, VK_TAB, message.lParam);
    return;
  }
  if (topLevel && IsDialogMessageW(topLevel, &message)) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

// A wait can end without a message to take (a message sent from another thread is handled
// inside the wait): only the condition or the quit ends a loop.
void RunUntil(const std::function<bool()>& done) {
  MSG message;
  while (!done() && !quitting) {
    if (TakeMessage(message)) {
      HandleMessage(message);
    } else if (!quitting) {
      WaitMessage();
    }
  }
}

void RunPending() {
  MSG message;
  while (TakeMessage(message)) {
    HandleMessage(message);
  }
}

void RunFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  MSG message;
  for (auto now = std::chrono::steady_clock::now(); now < end && !quitting;
       now = std::chrono::steady_clock::now()) {
    if (TakeMessage(message)) {
      HandleMessage(message);
    } else if (!quitting) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
      MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(left.count()) + 1, QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
    }
  }
}

int RunProgram() {
  RunUntil([] { return false; });
  return exitCode;
}

}  // namespace kestrin::win32
