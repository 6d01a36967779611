#include <QApplication>
#include <QLocale>
#include <QSystemTrayIcon>
#include <QTranslator>

#include <iostream>

#include "desktop/program_start.h"
#include "favorites/favorites_path.h"
#include "platform/large_blocks.h"
#include "platform/open_with_default.h"
#include "platform/program_folder.h"
#include "platform/secrets_out_of_dumps.h"
#include "settings/program_files.h"
#include "ui/application_identity.h"
#include "ui/main_window.h"
#include "ui/show_requests.h"
#include "ui/status_icons.h"

int main(int argc, char* argv[]) {
  using namespace kestrin;
  KeepSecretsOutOfDumps();
  ReturnLargeBlocksWhenFreed();
  ui::SetApplicationIdentity();
  if (ui::AsksForInformationOnly(argc, argv)) {
    // Answered without a window system, as on a console without one.
    QCoreApplication app(argc, argv);
    ui::ProcessCommandLine(app);
  }
  const desktop::ProgramStart start;
  if (start.anotherInstanceRuns()) {
    QCoreApplication app(argc, argv);
    ui::AskRunningProgramToShow(ui::ShowRequestChannel());
    return 0;
  }
  for (const std::string& line : start.movedFilesReport()) {
    std::cerr << kProgramName << ": " << line << "\n";
  }
  QApplication app(argc, argv);
  ui::ProcessCommandLine(app);
  QApplication::setDesktopFileName(kProgramName);
  QApplication::setWindowIcon(ui::ApplicationIcon());
  QTranslator translator;
  if (translator.load(QLocale(), kProgramName, "_", ":/i18n")) {
    QApplication::installTranslator(&translator);
  }
  // The window is hidden most of the time; only Exit, or closing the window where there
  // is no notification area, ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  ui::MainWindow window({.settingsPath = SettingsFilePath(),
                         .favoritesRoot = GetFavoritesFolder(),
                         .openDocument = OpenWithDefaultProgram,
                         .trayAvailable = QSystemTrayIcon::isSystemTrayAvailable(),
                         .showRequestChannel = ui::ShowRequestChannel()});
  QObject::connect(&window, &ui::MainWindow::exited, &app, &QApplication::quit);
  window.ShowAtStart();
  return QApplication::exec();
}
