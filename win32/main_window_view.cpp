// What the session asks of frmMain: the run display, the window's visibility, the
// commands' states, the boxes and the questions.
#include "win32/windows_api.h"

#include "platform/open_with_default.h"
#include "platform/program_folder.h"
#include "platform/wide_text.h"
#include "win32/bookmark_file_dialog.h"
#include "win32/control_ids.h"
#include "win32/main_window.h"
#include "win32/message_loop.h"
#include "win32/process_dialog.h"
#include "win32/window_text.h"

namespace kestrin::win32 {

namespace {

constexpr int kFirstAnswerId = 100;

void EnableItem(HMENU menu, int id, bool enabled) {
  EnableMenuItem(menu, UINT(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

void MainWindow::ClearActivity() {
  ::SetWindowTextW(Control(txtActivity), L"");
}

void MainWindow::AppendActivity(const std::string& line) {
  HWND pane = Control(txtActivity);
  const std::wstring text = WideFromUtf8(line) + L"\r\n";
  const int end = GetWindowTextLengthW(pane);
  SendMessageW(pane, EM_SETSEL, end, end);
  SendMessageW(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainWindow::ShowStatus(const std::string& text) {
  UpdateWindowText(Control(StatusBar1), text);
  UpdateWindow(Control(StatusBar1));  // at once, also while a run blocks the thread
}

void MainWindow::ShowTrayState(StatusImage image, const std::string& tooltip) {
  tray_->SetState(image, tooltip);
}

void MainWindow::ShowRunState(bool running) {
  if (running) {
    ShowPage(2);
  } else if (WindowVisible()) {
    SetForegroundWindow(window_);
  }
}

void MainWindow::ShowCommands(const desktop::CommandStates& commands) {
  EnableWindow(Control(cmdSync), commands.sync);
  HMENU menu = GetMenu(window_);
  EnableItem(menu, mnuFile_Sync, commands.sync);
  EnableItem(menu, mnuFile_Undo, commands.undo);
  EnableItem(menu, mnuFile_Import, commands.importBookmarks);
  EnableItem(menu, mnuFile_Exit, commands.exit);
  for (int page = 0; page < 2; ++page) {
    EnableWindow(pages_[page], commands.settingsPages);
  }
}

// The Favorites sub-menu reads its folders each time the tray menu opens.
void MainWindow::FavoritesChanged() {}

bool MainWindow::WindowVisible() const {
  return IsWindowVisible(window_);
}

void MainWindow::ShowWindow(std::optional<desktop::SettingField> focus) {
  ::ShowWindow(window_, SW_SHOWNORMAL);
  SetForegroundWindow(window_);
  if (!focus) {
    return;
  }
  using desktop::SettingField;
  static constexpr std::pair<SettingField, int> kFields[] = {{SettingField::Name, txtName},
                                                             {SettingField::Server, txtServer},
                                                             {SettingField::Username, txtUsername},
                                                             {SettingField::Password, txtPassword},
                                                             {SettingField::Port, txtPort}};
  for (const auto& [field, id] : kFields) {
    if (field == *focus) {
      ShowPage(field == SettingField::Name ? 0 : 1);
      SetFocus(Control(id));
    }
  }
}

void MainWindow::HideWindow() {
  ::ShowWindow(window_, SW_HIDE);
}

void MainWindow::CloseWindow() {
  PostMessageW(window_, WM_CLOSE, 0, 0);
}

void MainWindow::ShowMessage(const desktop::Message& message) {
  const UINT icon =
      message.icon == desktop::Message::Icon::Exclamation ? MB_ICONEXCLAMATION : MB_ICONINFORMATION;
  MessageBoxW(window_, WideFromUtf8(message.text).c_str(), WideFromUtf8(kApplicationTitle).c_str(),
              MB_OK | MB_SETFOREGROUND | icon);
}

int MainWindow::Ask(const desktop::Question& question) {
  std::vector<std::wstring> captions;
  for (const std::string& answer : question.answers) {
    captions.push_back(WideFromUtf8(answer));
  }
  std::vector<TASKDIALOG_BUTTON> buttons;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    buttons.push_back({kFirstAnswerId + int(i), captions[i].c_str()});
  }
  const std::wstring title = WideFromUtf8(kApplicationTitle);
  const std::wstring text = WideFromUtf8(question.text);
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = window_;
  config.dwFlags = question.escape >= 0 ? TDF_ALLOW_DIALOG_CANCELLATION : 0;
  config.pszWindowTitle = title.c_str();
  config.pszMainIcon = TD_WARNING_ICON;
  config.pszContent = text.c_str();
  config.cButtons = UINT(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = kFirstAnswerId;
  int chosen = 0;
  if (FAILED(TaskDialogIndirect(&config, &chosen, nullptr, nullptr))) {
    return question.escape >= 0 ? question.escape : 0;
  }
  return chosen == IDCANCEL ? question.escape : chosen - kFirstAnswerId;
}

void MainWindow::Notify(const desktop::Notice& notice) {
  tray_->Notify(notice.text, notice.failure, notice.offersUndo);
}

std::optional<std::vector<ChangeRow>> MainWindow::ConfirmChanges(const ChangeList& changes) {
  return win32::ConfirmChanges(window_, changes);
}

std::optional<std::string> MainWindow::AskBookmarkFile(desktop::BookmarkFileUse use,
                                                       const std::string& suggested) {
  return win32::AskBookmarkFile(window_, use, suggested);
}

void MainWindow::Yield() {
  RunPending();
}

void MainWindow::Idle(std::chrono::milliseconds duration) {
  RunFor(duration);
}

bool MainWindow::Open(const std::string& target) {
  return OpenWithDefaultProgram(target);
}

}  // namespace kestrin::win32
