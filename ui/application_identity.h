#pragma once

class QCoreApplication;

namespace kestrin::ui {

// Name and version of the program, which the command line, the window system and the
// desktop's launcher know it by.
void SetApplicationIdentity();

// Answers --help and --version (the process then ends) and refuses unknown options.
void ProcessCommandLine(const QCoreApplication& app);

// True when the arguments only ask for information, which needs no window system.
bool AsksForInformationOnly(int argc, char* argv[]);

}  // namespace kestrin::ui
