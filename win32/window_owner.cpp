#include "win32/window_owner.h"

#include <set>
#include <string>

#include "win32/resources.h"

namespace kestrin::win32 {

LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* owner = reinterpret_cast<WindowOwner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!owner) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  const LRESULT result = owner->Handle(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  }
  return result;
}

void RegisterOwnedWindowClass(const wchar_t* name) {
  static std::set<std::wstring> registered;
  if (!registered.insert(name).second) {
    return;
  }
  WNDCLASSW ownedClass{};
  ownedClass.lpfnWndProc = OwnedWindowProc;
  ownedClass.hInstance = GetModuleHandleW(nullptr);
  ownedClass.hIcon = LoadIconW(ownedClass.hInstance, MAKEINTRESOURCEW(IDI_KESTRIN));
  ownedClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  ownedClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  ownedClass.lpszClassName = name;
  RegisterClassW(&ownedClass);
}

void MoveToSuggestedRect(HWND window, LPARAM suggested) {
  const RECT& rect = *reinterpret_cast<const RECT*>(suggested);
  SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kestrin::win32
