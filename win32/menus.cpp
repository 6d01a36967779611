#include "win32/menus.h"

#include <string>

#include "platform/wide_text.h"
#include "win32/control_ids.h"

namespace kestrin::win32 {

std::wstring MenuCaption(const std::string& utf8, bool hasMnemonic) {
  std::wstring caption = WideFromUtf8(utf8);
  if (!hasMnemonic) {
    for (std::size_t at = caption.find(L'&'); at != std::wstring::npos;
         at = caption.find(L'&', at + 2)) {
      caption.insert(at, 1, L'&');
    }
  }
  return caption;
}

HMENU CreateMainMenu() {
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, mnuFile_Sync, L"&Sync Now!");
  AppendMenuW(file, MF_STRING, mnuFile_Undo, L"&Undo Last Sync");
  AppendMenuW(file, MF_STRING, mnuFile_Import, L"&Import Bookmarks\u2026");
  AppendMenuW(file, MF_STRING, mnuFile_Export, L"&Export Bookmarks\u2026");
  AppendMenuW(file, MF_STRING, mnuFile_Hide, L"&Hide");
  AppendMenuW(file, MF_STRING, mnuFile_ViewLog, L"&View Log");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, mnuFile_Exit, L"E&xit");

  HMENU help = CreatePopupMenu();
  AppendMenuW(help, MF_STRING, mnuHelp_Help, L"&Help");
  AppendMenuW(help, MF_STRING, mnuHelp_About, L"&About");

  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
  return bar;
}

}  // namespace kestrin::win32
