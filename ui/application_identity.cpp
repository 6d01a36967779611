#include "ui/application_identity.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <string_view>

#include "platform/program_folder.h"

namespace kestrin::ui {

void SetApplicationIdentity() {
  QCoreApplication::setApplicationName(kProgramName);
  QCoreApplication::setApplicationVersion(KESTRIN_VERSION);
  // No display name: the window system would add it to every title that does not end in
  // it, and the titles already name the program ("Kestrin - Process").
}

void ProcessCommandLine(const QCoreApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QCoreApplication::translate(
      "CommandLine",
      "Keeps your Favorites the same on every computer through one FTP directory.\n"
      "Starting it again while it runs brings its window to the front."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(app);
}

bool AsksForInformationOnly(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    for (const std::string_view option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
      if (argument == option) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace kestrin::ui
