#pragma once

#include "win32/windows_api.h"

#include "win32/dialog_units.h"

namespace kestrin::win32 {

// The "General Settings" and "FTP Settings" pages: captions in a left column, their
// controls in rows in the right one.
inline constexpr int kSettingsPages = 2;

// Creates the controls of settings page `index` on `page` in their start-up states.
void CreateSettingsPage(int index, HWND page);

// Places them for the page's current size and the window's dialog units.
void LayOutSettingsPage(int index, HWND page, const DialogUnits& units);

// The width, in pixels, that the wider page needs in the font of `units`.
int SettingsPagesWidth(const DialogUnits& units);

// The height, in dialog units, that the taller page needs.
int SettingsPagesHeight();

}  // namespace kestrin::win32
