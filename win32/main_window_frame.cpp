// frmMain's frame: the window, its controls laid out in dialog units at the window's DPI,
// and the tab strip's pages.
#include "win32/windows_api.h"

#include <algorithm>

#include "platform/program_folder.h"
#include "platform/wide_text.h"
#include "win32/control_ids.h"
#include "win32/main_window.h"
#include "win32/menus.h"
#include "win32/page_window.h"
#include "win32/settings_pages.h"

namespace kestrin::win32 {

namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                         WS_CLIPCHILDREN;  // a fixed border, no maximize button
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// Design in dialog units: 225 across (337 pixels with the classic 8-point dialog font).
constexpr int kClientWidth = 225;
constexpr int kMargin = 5;
constexpr int kButtonWidth = 54;
constexpr int kButtonHeight = 14;
constexpr int kActivityInset = 3;

constexpr const wchar_t* kTabs[] = {L"General Settings", L"FTP Settings", L"Current Activity"};

HWND CreateChild(HWND parent, int id, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                 DWORD exStyle = 0) {
  return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                         parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

bool IsHint(int id) {
  return id == lblEncryptHint || id == lblEncryptMode || id == lblProtocolWarning;
}

int Height(HWND control) {
  RECT frame{};
  GetWindowRect(control, &frame);
  return frame.bottom - frame.top;
}

}  // namespace

HWND MainWindow::CreateFrame() {
  RegisterOwnedWindowClass(kWindowClass);
  const std::wstring title = WideFromUtf8(kApplicationTitle);
  return CreateWindowExW(kExStyle, kWindowClass, title.c_str(), kStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, CreateMainMenu(),
                         GetModuleHandleW(nullptr), static_cast<WindowOwner*>(this));
}

HWND MainWindow::Control(int id) const {
  if (HWND own = GetDlgItem(window_, id)) {
    return own;
  }
  for (HWND page : pages_) {
    if (HWND control = GetDlgItem(page, id)) {
      return control;
    }
  }
  return nullptr;
}

void MainWindow::CreateControls() {
  HWND tabs =
      CreateChild(window_, TabStrip1, WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPSIBLINGS | TCS_TABS);
  for (int i = 0; i < 3; ++i) {
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(kTabs[i]);
    TabCtrl_InsertItem(tabs, i, &tab);
  }
  pages_ = {CreatePageWindow(window_, fraMain0), CreatePageWindow(window_, fraMain1),
            CreatePageWindow(window_, fraMain2)};
  for (int i = 0; i < kSettingsPages; ++i) {
    CreateSettingsPage(i, pages_[i]);
  }
  HWND activity = CreateChild(pages_[2], txtActivity, WC_EDITW, L"",
                              WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                  ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                              WS_EX_CLIENTEDGE);
  SendMessageW(activity, EM_SETLIMITTEXT, 0, 0);  // as much as memory holds
  CreateChild(window_, cmdSaveSettings, WC_BUTTONW, L"&Save", WS_TABSTOP | BS_PUSHBUTTON);
  CreateChild(window_, cmdSync, WC_BUTTONW, L"Sync No&w!", WS_TABSTOP | BS_PUSHBUTTON);
  CreateChild(window_, StatusBar1, STATUSCLASSNAMEW, L"", 0);
  // The pages lie over the tab strip's body.
  for (HWND page : pages_) {
    SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  ShowPage(0);
}

// Fonts and dialog units for the window's DPI, given to every control.
void MainWindow::ApplyDpi() {
  auto fonts = std::make_unique<Fonts>(GetDpiForWindow(window_));
  const auto setFont = [](HWND control, LPARAM chosen) {
    const Fonts& given = *reinterpret_cast<const Fonts*>(chosen);
    const HFONT font = IsHint(GetDlgCtrlID(control)) ? given.italic() : given.normal();
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return TRUE;
  };
  EnumChildWindows(window_, setFont, reinterpret_cast<LPARAM>(fonts.get()));
  units_.emplace(fonts->normal());
  fonts_ = std::move(fonts);  // the controls no longer use the fonts let go of here
}

SIZE MainWindow::DesignedClientSize() const {
  const DialogUnits& u = *units_;
  RECT body{0, 0, 1000, 1000};
  TabCtrl_AdjustRect(Control(TabStrip1), FALSE, &body);  // the tab strip's own frame
  const int statusHeight = Height(Control(StatusBar1));
  const int pagesWidth = SettingsPagesWidth(u) + (1000 - body.right) + body.left;
  return {std::max(u.X(kClientWidth), u.X(2 * kMargin) + pagesWidth),
          u.Y(kMargin) + body.top + u.Y(SettingsPagesHeight()) + (1000 - body.bottom) +
              u.Y(kMargin + kButtonHeight + kMargin) + statusHeight};
}

void MainWindow::ResizeToDesign() {
  const SIZE client = DesignedClientSize();
  RECT frame{0, 0, client.cx, client.cy};
  AdjustWindowRectExForDpi(&frame, kStyle, TRUE, kExStyle, GetDpiForWindow(window_));
  SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::LayOut() {
  const DialogUnits& u = *units_;
  SendMessageW(Control(StatusBar1), WM_SIZE, 0, 0);
  RECT client{};
  GetClientRect(window_, &client);
  const int buttonsTop = client.bottom - Height(Control(StatusBar1)) - u.Y(kMargin + kButtonHeight);
  MoveWindow(Control(cmdSaveSettings), u.X(kMargin), buttonsTop, u.X(kButtonWidth),
             u.Y(kButtonHeight), TRUE);
  MoveWindow(Control(cmdSync), client.right - u.X(kMargin + kButtonWidth), buttonsTop,
             u.X(kButtonWidth), u.Y(kButtonHeight), TRUE);
  RECT tabs{u.X(kMargin), u.Y(kMargin), client.right - u.X(kMargin), buttonsTop - u.Y(kMargin)};
  MoveWindow(Control(TabStrip1), tabs.left, tabs.top, tabs.right - tabs.left,
             tabs.bottom - tabs.top, TRUE);
  TabCtrl_AdjustRect(Control(TabStrip1), FALSE, &tabs);
  for (HWND page : pages_) {
    MoveWindow(page, tabs.left, tabs.top, tabs.right - tabs.left, tabs.bottom - tabs.top, TRUE);
  }
  for (int i = 0; i < kSettingsPages; ++i) {
    LayOutSettingsPage(i, pages_[i], u);
  }
  const int inset = u.X(kActivityInset);
  MoveWindow(Control(txtActivity), inset, inset, tabs.right - tabs.left - 2 * inset,
             tabs.bottom - tabs.top - 2 * inset, TRUE);
}

void MainWindow::TabStrip1_Click() {
  ShowPage(TabCtrl_GetCurSel(Control(TabStrip1)));
}

void MainWindow::ShowPage(int index) {
  if (index < 0 || index >= int(pages_.size())) {
    return;
  }
  TabCtrl_SetCurSel(Control(TabStrip1), index);
  for (int i = 0; i < int(pages_.size()); ++i) {
    ::ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
  }
}

void MainWindow::CentreOnScreen() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT frame{};
  GetWindowRect(window_, &frame);
  const RECT& work = monitor.rcWork;
  SetWindowPos(window_, nullptr, (work.left + work.right - (frame.right - frame.left)) / 2,
               (work.top + work.bottom - (frame.bottom - frame.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kestrin::win32
