#pragma once

#include <string>

#include "win32/windows_api.h"

namespace kestrin::win32 {

// frmMain's menu bar: mnuFile and mnuHelp.
HMENU CreateMainMenu();

// A menu caption: "&" marks the mnemonic in the window's own captions; text from elsewhere
// (a favorite's name) has each "&" doubled so that it shows as itself.
std::wstring MenuCaption(const std::string& utf8, bool hasMnemonic);

}  // namespace kestrin::win32
