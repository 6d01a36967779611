#include <QApplication>

#include <iostream>

#include "favorites/favorites_path.h"
#include "platform/open_with_default.h"
#include "platform/program_folder.h"
#include "platform/single_instance.h"
#include "settings/program_files.h"
#include "ui/main_window.h"
#include "ui/status_icons.h"

int main(int argc, char* argv[]) {
  using namespace kestrin;
  SingleInstanceLock instance(kProgramName);
  if (instance.anotherInstanceRuns()) {
    return 0;
  }
  for (const std::string& line : MoveFilesFromExecutableFolder()) {
    std::cerr << kProgramName << ": " << line << "\n";
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(kProgramName);
  QApplication::setApplicationDisplayName(kApplicationTitle);
  QApplication::setApplicationVersion(KESTRIN_VERSION);
  QApplication::setDesktopFileName(kProgramName);
  QApplication::setWindowIcon(ui::ApplicationIcon());
  // The window is hidden most of the time; only Exit ends the program.
  QApplication::setQuitOnLastWindowClosed(false);

  ui::MainWindow window({.settingsPath = SettingsFilePath(),
                         .favoritesRoot = GetFavoritesFolder(),
                         .openDocument = OpenWithDefaultProgram});
  QObject::connect(&window, &ui::MainWindow::exited, &app, &QApplication::quit);
  return QApplication::exec();
}
