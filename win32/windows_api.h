#pragma once

// The Windows API as this program includes it: before anything else, and without
// winbase.h's Win16 macro Yield, which would rename the desktop layer's method of that name.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#undef Yield
