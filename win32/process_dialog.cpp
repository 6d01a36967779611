#include "win32/process_dialog.h"

#include <algorithm>
#include <memory>
#include <string>

#include "desktop/change_table.h"
#include "desktop/countdown.h"
#include "platform/program_folder.h"
#include "platform/wide_text.h"
#include "win32/control_ids.h"
#include "win32/dialog_units.h"
#include "win32/message_loop.h"
#include "win32/window_owner.h"
#include "win32/window_text.h"

namespace kestrin::win32 {

namespace {

constexpr wchar_t kProcessClass[] = L"KestrinProcess";

// Sizes in twips (1440 to an inch), as the dialog was designed; the client area, margin
// and button width are the table's (desktop/change_table.h).
constexpr int kClientWidth = desktop::kChangeDialogWidthTwips;
constexpr int kClientHeight = desktop::kChangeDialogHeightTwips;
constexpr int kMargin = desktop::kChangeDialogMarginTwips;
constexpr int kRowHeight = 255;
constexpr int kButtonWidth = desktop::kChangeDialogButtonWidthTwips;
constexpr int kButtonGap = 105;
constexpr int kAllNoneLeft = 240;
constexpr int kAllNoneWidth = 1095;
constexpr int kLabelLeft = 1680;
constexpr int kLabelWidth = 1935;
constexpr int kDisableLeft = 3600;
constexpr int kDisableWidth = 735;
constexpr int kBookmarkTakesAllBut = 4250;

class ProcessDialog : private WindowOwner {
 public:
  ProcessDialog(HWND owner, const ChangeList& changes);
  ~ProcessDialog() {
    if (window_) {  // the program is quitting while it waits
      DestroyWindow(window_);
    }
  }
  ProcessDialog(const ProcessDialog&) = delete;
  ProcessDialog& operator=(const ProcessDialog&) = delete;
  bool open() const { return window_ != nullptr; }
  std::optional<std::vector<ChangeRow>> result() const { return result_; }

 private:
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  int Px(int twips) const { return MulDiv(twips, int(GetDpiForWindow(window_)), 1440); }
  void CreateControls();
  void AddRows();
  void Form_Resize();
  void Timer1_Timer();
  void cmdDisableTimer_Click();
  void cmdProcess_Click();
  void chkAllNone_Click();
  void SetFonts();

  HWND window_ = nullptr;
  std::vector<ChangeRow> rows_;
  desktop::Countdown countdown_;
  std::unique_ptr<Fonts> fonts_;
  std::optional<std::vector<ChangeRow>> result_;
};

HWND CreateChild(HWND parent, int id, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                 DWORD exStyle = 0) {
  return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                         parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

ProcessDialog::ProcessDialog(HWND owner, const ChangeList& changes)
    : rows_(RowsInDialogOrder(changes)) {
  RegisterOwnedWindowClass(kProcessClass);
  const std::wstring title = WideFromUtf8(std::string(kApplicationTitle) + " - Process");
  CreateWindowExW(WS_EX_CONTROLPARENT, kProcessClass, title.c_str(),
                  WS_OVERLAPPEDWINDOW & ~WS_MAXIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                  CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr),
                  static_cast<WindowOwner*>(this));
  const UINT dpi = GetDpiForWindow(window_);
  RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
  AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT, dpi);
  RECT ownerFrame{};
  GetWindowRect(owner, &ownerFrame);
  SetWindowPos(window_, nullptr, ownerFrame.left + Px(kMargin * 2),
               ownerFrame.top + Px(kMargin * 2), frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER);
  CreateControls();
  AddRows();
  Form_Resize();
  ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  SetFocus(Control(ListView1));
  SetTimer(window_, Timer1, 1000, nullptr);
}

void ProcessDialog::CreateControls() {
  HWND list =
      CreateChild(window_, ListView1, WC_LISTVIEWW, L"",
                  WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(
      list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_DOUBLEBUFFER);
  for (int i = 0; i < int(std::size(desktop::kChangeColumns)); ++i) {
    std::wstring header = WideFromUtf8(desktop::kChangeColumns[i].header);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = header.data();
    column.cx = Px(desktop::kChangeColumns[i].widthTwips);
    ListView_InsertColumn(list, i, &column);
  }
  HWND allNone =
      CreateChild(window_, chkAllNone, WC_BUTTONW, L"&All/None", WS_TABSTOP | BS_AUTOCHECKBOX);
  Button_SetCheck(allNone, BST_CHECKED);
  CreateChild(window_, Label1, WC_STATICW, L"Disable automatic &timeout:",
              SS_RIGHT | SS_CENTERIMAGE);
  CreateChild(window_, cmdDisableTimer, WC_BUTTONW, L"&Disable", WS_TABSTOP | BS_PUSHBUTTON);
  CreateChild(window_, cmdCancel, WC_BUTTONW, L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON);
  CreateChild(window_, cmdProcess, WC_BUTTONW, L"&Process", WS_TABSTOP | BS_DEFPUSHBUTTON);
  CreateChild(window_, StatusBar1, STATUSCLASSNAMEW, L"", 0);
  SetFonts();
}

void ProcessDialog::SetFonts() {
  auto fonts = std::make_unique<Fonts>(GetDpiForWindow(window_));
  for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts->normal()), TRUE);
  }
  fonts_ = std::move(fonts);  // the controls no longer use the fonts let go of here
}

void ProcessDialog::AddRows() {
  HWND list = Control(ListView1);
  for (int i = 0; i < int(rows_.size()); ++i) {
    const auto texts = desktop::ChangeRowTexts(rows_[i]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(L"");
    ListView_InsertItem(list, &item);
    for (int column = 1; column < int(std::size(texts)); ++column) {
      std::wstring text = WideFromUtf8(texts[column]);
      ListView_SetItemText(list, i, column, text.data());
    }
    ListView_SetCheckState(list, i, TRUE);
  }
}

// The list takes the room above the bottom row; "Cancel" and "Process" keep to the right,
// every caption at least as wide as its text needs in the user's font.
void ProcessDialog::Form_Resize() {
  RECT client{};
  GetClientRect(window_, &client);
  HWND status = Control(StatusBar1);
  SendMessageW(status, WM_SIZE, 0, 0);
  RECT statusFrame{};
  GetWindowRect(status, &statusFrame);
  const DialogUnits units(fonts_->normal());
  const int rowHeight = std::max(Px(kRowHeight), units.Y(14));
  const int rowTop =
      client.bottom - (statusFrame.bottom - statusFrame.top) - Px(kMargin) - rowHeight;
  const int listWidth = client.right - 2 * Px(kMargin);
  MoveWindow(Control(ListView1), Px(kMargin), Px(kMargin), listWidth, rowTop - 2 * Px(kMargin),
             TRUE);
  ListView_SetColumnWidth(Control(ListView1), desktop::kBookmarkColumn,
                          std::max(0, listWidth - Px(kBookmarkTakesAllBut)));

  const auto fit = [&](int id, int left, int width, int extra) {
    wchar_t text[64] = L"";
    GetWindowTextW(Control(id), text, 64);
    const int fitted = std::max(Px(width), units.TextWidth(text) + units.X(extra));
    MoveWindow(Control(id), left, rowTop, fitted, rowHeight, TRUE);
    return left + fitted;
  };
  int right = fit(chkAllNone, Px(kAllNoneLeft), kAllNoneWidth, 14);
  right = fit(Label1, std::max(Px(kLabelLeft), right + units.X(4)), kLabelWidth, 2);
  fit(cmdDisableTimer, std::max(Px(kDisableLeft), right + units.X(2)), kDisableWidth, 8);
  const int process = client.right - Px(kMargin) - Px(kButtonWidth);
  fit(cmdProcess, process, kButtonWidth, 8);
  fit(cmdCancel, process - Px(kButtonGap) - Px(kButtonWidth), kButtonWidth, 8);
}

void ProcessDialog::Timer1_Timer() {
  if (countdown_.Tick() == desktop::Countdown::Step::TimedOut) {
    DestroyWindow(window_);
    return;
  }
  win32::SetWindowText(Control(StatusBar1), countdown_.text());
}

void ProcessDialog::cmdDisableTimer_Click() {
  SetFocus(Control(ListView1));  // not left on a button that turns unavailable
  EnableWindow(Control(cmdDisableTimer), FALSE);
  KillTimer(window_, Timer1);
  countdown_.Disable();
  win32::SetWindowText(Control(StatusBar1), countdown_.text());
}

void ProcessDialog::cmdProcess_Click() {
  EnableWindow(Control(cmdProcess), FALSE);
  std::vector<ChangeRow> ticked;
  for (int i = 0; i < int(rows_.size()); ++i) {
    if (ListView_GetCheckState(Control(ListView1), i)) {
      ticked.push_back(rows_[i]);
    }
  }
  result_ = std::move(ticked);
  DestroyWindow(window_);
}

void ProcessDialog::chkAllNone_Click() {
  const BOOL tick = Button_GetCheck(Control(chkAllNone)) == BST_CHECKED;
  for (int i = 0; i < int(rows_.size()); ++i) {
    ListView_SetCheckState(Control(ListView1), i, tick);
  }
}

LRESULT ProcessDialog::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    window_ = window;
  }
  switch (message) {
    case WM_SIZE:
      if (fonts_) {  // not while the window is being created
        Form_Resize();
      }
      return 0;
    case WM_TIMER:
      Timer1_Timer();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case cmdDisableTimer:
          cmdDisableTimer_Click();
          return 0;
        case cmdProcess:
          cmdProcess_Click();
          return 0;
        case cmdCancel:
        case IDCANCEL:  // Escape
          DestroyWindow(window_);
          return 0;
        case chkAllNone:
          chkAllNone_Click();
          return 0;
      }
      break;
    case WM_DPICHANGED:
      SetFonts();
      MoveToSuggestedRect(window, lParam);
      return 0;
    case WM_DESTROY:
      KillTimer(window_, Timer1);
      window_ = nullptr;
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

std::optional<std::vector<ChangeRow>> ConfirmChanges(HWND owner, const ChangeList& changes) {
  ProcessDialog dialog(owner, changes);
  RunUntil([&] { return !dialog.open(); });
  return dialog.result();
}

}  // namespace kestrin::win32
