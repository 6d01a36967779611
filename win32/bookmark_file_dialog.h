#pragma once

#include <optional>
#include <string>

#include "desktop/desktop_view.h"
#include "win32/windows_api.h"

namespace kestrin::win32 {

// The system's Open or Save As dialog for a bookmark file (HTML), starting at `suggested`
// (a core path; empty: none); nullopt when the user cancelled.
std::optional<std::string> AskBookmarkFile(HWND owner, desktop::BookmarkFileUse use,
                                           const std::string& suggested);

}  // namespace kestrin::win32
