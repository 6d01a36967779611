#include "win32/window_text.h"

#include "platform/wide_text.h"

namespace kestrin::win32 {

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), int(text.size()))));
  return Utf8FromWide(text);
}

void SetWindowText(HWND window, const std::string& utf8) {
  SetWindowTextW(window, WideFromUtf8(utf8).c_str());
}

void UpdateWindowText(HWND window, const std::string& utf8) {
  if (WindowText(window) != utf8) {
    SetWindowText(window, utf8);
  }
}

}  // namespace kestrin::win32
