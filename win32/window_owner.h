#pragma once

#include "win32/windows_api.h"

namespace kestrin::win32 {

// An object that handles the messages of its window: the window's class has
// OwnedWindowProc as its procedure, and the object is the creation parameter of
// CreateWindowExW.
class WindowOwner {
 public:
  virtual ~WindowOwner() = default;
  // Every message of the window, from WM_NCCREATE to WM_NCDESTROY.
  virtual LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers, once per name, a class of top-level windows that objects own: the program's
// icon, the arrow cursor, the button face behind.
void RegisterOwnedWindowClass(const wchar_t* name);

// WM_DPICHANGED: puts the window where the system suggests for its new DPI.
void MoveToSuggestedRect(HWND window, LPARAM suggested);

}  // namespace kestrin::win32
