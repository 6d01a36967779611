#pragma once

#include "win32/windows_api.h"

#include <string>

namespace kestrin::win32 {

// A window's or control's text as the core's UTF-8 bytes, and back.
std::string WindowText(HWND window);
void SetWindowText(HWND window, const std::string& utf8);

// A window's text only when it changed, so that a repeated status does not flicker.
void UpdateWindowText(HWND window, const std::string& utf8);

}  // namespace kestrin::win32
