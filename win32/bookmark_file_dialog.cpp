#include "win32/bookmark_file_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "platform/native_path.h"

namespace kestrin::win32 {

std::optional<std::string> AskBookmarkFile(HWND owner, desktop::BookmarkFileUse use,
                                           const std::string& suggested) {
  const bool importing = use == desktop::BookmarkFileUse::Import;
  std::vector<wchar_t> file(32768, L'\0');  // the longest path Windows takes
  // Shown in Windows' own form: backslashes, no doubled separator.
  const std::wstring start =
      suggested.empty() ? std::wstring() : NativePath(suggested).lexically_normal().wstring();
  std::copy_n(start.begin(), std::min(start.size(), file.size() - 1), file.begin());
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = L"Bookmark files (*.html, *.htm)\0*.html;*.htm\0";
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = DWORD(file.size());
  dialog.lpstrTitle = importing ? L"Import Bookmarks" : L"Export Bookmarks";
  dialog.lpstrDefExt = L"html";
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 (importing ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST : OFN_OVERWRITEPROMPT);
  const BOOL chosen = importing ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog);
  if (!chosen) {
    return std::nullopt;
  }
  return CorePath(std::filesystem::path(file.data()));
}

}  // namespace kestrin::win32
