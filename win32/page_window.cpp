#include "win32/page_window.h"

#include <uxtheme.h>

namespace kestrin::win32 {

namespace {

constexpr wchar_t kPageClass[] = L"KestrinPage";

// The brush behind the pages and their labels: the tab body's colour, white where a
// visual style draws the tab strip, the button face where none does.
HBRUSH PageBrush() {
  return GetSysColorBrush(IsAppThemed() && IsThemeActive() ? COLOR_WINDOW : COLOR_BTNFACE);
}

bool IsEdit(HWND control) {
  wchar_t name[16] = L"";
  GetClassNameW(control, name, 16);
  return lstrcmpiW(name, L"Edit") == 0;
}

LRESULT CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
      return SendMessageW(GetParent(page), message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (IsEdit(reinterpret_cast<HWND>(lParam))) {
        // A read-only pane reads as text, white; a disabled field keeps the button face.
        if (!IsWindowEnabled(reinterpret_cast<HWND>(lParam))) {
          break;
        }
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(PageBrush());
    }
    case WM_ERASEBKGND: {
      RECT area;
      GetClientRect(page, &area);
      FillRect(reinterpret_cast<HDC>(wParam), &area, PageBrush());
      return 1;
    }
  }
  return DefWindowProcW(page, message, wParam, lParam);
}

void RegisterPageClass() {
  static const ATOM registered = [] {
    WNDCLASSW pageClass{};
    pageClass.lpfnWndProc = PageProc;
    pageClass.hInstance = GetModuleHandleW(nullptr);
    pageClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    pageClass.lpszClassName = kPageClass;
    return RegisterClassW(&pageClass);
  }();
  (void)registered;
}

}  // namespace

HWND CreatePageWindow(HWND mainWindow, int id) {
  RegisterPageClass();
  return CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0,
                         0, mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

}  // namespace kestrin::win32
