#include "win32/main_window.h"

#include "platform/open_with_default.h"
#include "platform/program_folder.h"
#include "platform/wide_text.h"
#include "win32/control_ids.h"
#include "win32/message_loop.h"
#include "win32/process_dialog.h"
#include "win32/window_text.h"

namespace kestrin::win32 {

namespace {

// The tray icon's mouse events and balloon clicks.
constexpr UINT kTrayMessage = WM_APP + 1;
// How often the session's clock ticks (the scheduler, the Favorites watch).
constexpr UINT kTickMilliseconds = 1000;

// Makes the system menu's Close unavailable for good: the item gets a command of its own,
// which the window system does not enable again, and is greyed. The window is then hidden
// by minimizing or Hide, and the program ends only by Exit.
void SetCloseCommand(HWND window) {
  HMENU menu = GetSystemMenu(window, FALSE);
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE | MIIM_ID;
  if (!menu || !GetMenuItemInfoW(menu, SC_CLOSE, FALSE, &item)) {
    return;
  }
  constexpr UINT kRetiredClose = 0xFFFFFFF6;
  item.wID = kRetiredClose;
  item.fState |= MFS_GRAYED;
  if (SetMenuItemInfoW(menu, SC_CLOSE, FALSE, &item)) {
    SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
  }
}

}  // namespace

UINT MainWindow::ShowRequestMessage() {
  static const UINT message = RegisterWindowMessageW(L"Kestrin.ShowWindow");
  return message;
}

MainWindow::MainWindow(desktop::DesktopConfig config) : trayMenu_(config.favoritesRoot) {
  window_ = CreateFrame();
  CreateControls();
  PrepareSettingControls();
  ApplyDpi();
  ResizeToDesign();
  LayOut();
  SetCloseCommand(window_);
  tray_.emplace(window_, kTrayMessage);
  session_.emplace(std::move(config), *this);
  SetTimer(window_, Timer1, kTickMilliseconds, nullptr);
}

MainWindow::~MainWindow() {
  if (window_) {
    DestroyWindow(window_);
  }
}

void MainWindow::Start() {
  session_->StartUp();
  session_->ShowAtStart();
}

void MainWindow::OnCommand(int id, int code) {
  switch (id) {
    case cmdSync:
    case mnuFile_Sync:
    case mnuTRAY_Sync:
      session_->SyncNow();
      return;
    case cmdSaveSettings:
      session_->Save();
      return;
    case mnuFile_Undo:
    case mnuTRAY_Undo:
      session_->UndoLastSync();
      return;
    case mnuFile_Import:
      session_->ImportBookmarksChosen();
      return;
    case mnuFile_Export:
      session_->ExportBookmarksChosen();
      return;
    case mnuFile_Hide:
      HideWindow();
      return;
    case mnuFile_ViewLog:
    case mnuTRAY_ViewLog:
      session_->ViewLog();
      return;
    case mnuHelp_Help:
    case mnuTRAY_Help:
      session_->OpenHelp();
      return;
    case mnuHelp_About:
    case mnuTRAY_About:
      ShowAbout();
      return;
    case mnuFile_Exit:
    case mnuTRAY_Exit:
      session_->Exit();
      return;
    case mnuTRAY_Show:
      session_->ShowHideChosen();
      return;
  }
  if (code == BN_CLICKED || code == CBN_SELCHANGE || code == EN_CHANGE) {
    OnSettingChanged(id);
  }
}

// Only a single press counts: a double click toggles the window once, not twice.
void MainWindow::OnTrayMessage(LPARAM event) {
  switch (event) {
    case WM_LBUTTONDOWN:
      session_->TrayLeftClick();
      break;
    case WM_RBUTTONUP:
      OpenTrayMenu();
      break;
    case NIN_BALLOONUSERCLICK:
      if (tray_->balloonOffersUndo()) {
        session_->UndoLastSync();
      }
      break;
  }
}

void MainWindow::OpenTrayMenu() {
  const int chosen = trayMenu_.Open(window_, session_->TrayMenuOpening());
  if (const std::optional<std::string> favorite = trayMenu_.FavoriteOf(chosen)) {
    session_->OpenFavorite(*favorite);
  } else if (chosen != 0) {
    OnCommand(chosen, 0);
  }
}

void MainWindow::ShowAbout() {
  const std::string text = std::string(kApplicationTitle) + " v" + KESTRIN_VERSION +
                           "\n\nKeeps your Favorites the same on every computer\nthrough one "
                           "FTP directory.\n\nCopyright \u00a9 2025 The Kestrin developers.";
  const std::wstring caption = WideFromUtf8(std::string(kApplicationTitle) + " - About");
  MessageBoxW(window_, WideFromUtf8(text).c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

LRESULT MainWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    window_ = window;
  }
  if (!session_) {  // the window and its controls are being made
    return DefWindowProcW(window, message, wParam, lParam);
  }
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->idFrom == TabStrip1 &&
          reinterpret_cast<const NMHDR*>(lParam)->code == TCN_SELCHANGE) {
        TabStrip1_Click();
      }
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == Control(sldLogAct)) {
        sldLogAct_Change();
      }
      return 0;
    case WM_TIMER:
      if (wParam == Timer1) {
        session_->Tick();
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_TAB) {  // with Ctrl: the next page, with Shift the one before
        const int pages = int(pages_.size());
        const int step = GetKeyState(VK_SHIFT) < 0 ? pages - 1 : 1;
        ShowPage((TabCtrl_GetCurSel(Control(TabStrip1)) + step) % pages);
      }
      return 0;
    case kTrayMessage:
      OnTrayMessage(lParam);
      return 0;
    case WM_INITMENUPOPUP:
      if (trayMenu_.FillOnOpening(reinterpret_cast<HMENU>(wParam))) {
        return 0;
      }
      break;
    case WM_SHOWWINDOW:
      if (wParam) {
        if (!centred_) {
          centred_ = true;
          CentreOnScreen();
        }
        session_->WindowStateChanged(false);
      }
      break;
    case WM_SIZE:
      if (session_ && (wParam == SIZE_MINIMIZED || wParam == SIZE_RESTORED) &&
          session_->WindowStateChanged(wParam == SIZE_MINIMIZED)) {
        HideWindow();
      }
      return 0;
    case WM_DPICHANGED:
      ApplyDpi();
      MoveToSuggestedRect(window, lParam);
      ResizeToDesign();
      LayOut();
      return 0;
    case WM_ENDSESSION:  // the user logs off: the program ends without its Exit
      if (wParam) {
        session_->SaveQuietly();
      }
      return 0;
    case WM_CLOSE:
      if (session_->CloseRequested()) {
        DestroyWindow(window_);
      }
      return 0;
    case WM_DESTROY:
      KillTimer(window_, Timer1);
      tray_.reset();
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  if (message == ShowRequestMessage()) {
    ShowWindow(std::nullopt);
    return 0;
  }
  if (message == TrayIcon::TaskbarCreatedMessage()) {
    tray_->AddAgain();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace kestrin::win32
