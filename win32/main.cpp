#include "win32/windows_api.h"

#include "desktop/program_start.h"
#include "favorites/favorites_path.h"
#include "platform/large_blocks.h"
#include "platform/secrets_out_of_dumps.h"
#include "qt_locale/locale_date_format.h"
#include "settings/program_files.h"
#include "win32/main_window.h"
#include "win32/message_loop.h"

namespace {

// A later start only brings the running program's window forward: it may hand it the
// foreground, which the running program could not take by itself.
void AskRunningProgramToShow() {
  using kestrin::win32::MainWindow;
  HWND running = FindWindowW(MainWindow::kWindowClass, nullptr);
  if (!running) {
    return;
  }
  DWORD process = 0;
  GetWindowThreadProcessId(running, &process);
  AllowSetForegroundWindow(process);
  PostMessageW(running, MainWindow::ShowRequestMessage(), 0, 0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace kestrin;
  KeepSecretsOutOfDumps();
  ReturnLargeBlocksWhenFreed();
  desktop::ProgramStart start;
  if (start.anotherInstanceRuns()) {
    AskRunningProgramToShow();
    return 0;
  }
  const INITCOMMONCONTROLSEX controls{
      sizeof(INITCOMMONCONTROLSEX),
      ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  win32::MainWindow window({.settingsPath = SettingsFilePath(),
                            .favoritesRoot = GetFavoritesFolder(),
                            .trayAvailable = true,
                            .dateFormat = LocaleGeneralDateFormat(),
                            .decimalSeparator = LocaleDecimalSeparator()});
  window.Start();
  return win32::RunProgram();
}
