#include "cli/print_display.h"

#include <unistd.h>

#include <iostream>

#include "formats/printable_text.h"

namespace kestrin::cli {

namespace {
constexpr char kClearLine[] = "\r\033[K";
}  // namespace

PrintDisplay::PrintDisplay(bool quiet)
    : quiet_(quiet),
      outputIsTerminal_(isatty(STDOUT_FILENO) != 0),
      errorsAreTerminal_(isatty(STDERR_FILENO) != 0) {}

void PrintDisplay::AppendActivityLine(const std::string& text) {
  if (progressShown_) {
    // The line takes the progress's place; the next progress shows below it.
    std::cout << kClearLine;
    progressShown_ = false;
  }
  if (countdownShown_) {
    std::cerr << "\n";
    countdownShown_ = false;
  }
  inError_ = text.starts_with("Error: ") || (inError_ && text.starts_with("  "));
  const std::string shown = PrintableText(text);
  if (inError_) {
    std::cout << std::flush;  // in order where both streams reach one file
    std::cerr << shown << std::endl;
  }
  if (!quiet_) {
    // Written in blocks where it is no terminal: a first sync reports a line a shortcut.
    std::cout << shown << '\n';
  }
  lastLine_ = text;
}

void PrintDisplay::SetStatusText(const std::string& text) {
  // Every line also reaches the status text; only the texts of its own (the countdown,
  // the closing summary) are worth showing, and only to a person.
  if (quiet_ || text == lastLine_ || !errorsAreTerminal_) {
    return;
  }
  std::cout << std::flush;
  std::cerr << "\r" << PrintableText(text) << std::flush;
  countdownShown_ = true;
}

void PrintDisplay::ShowProgress(const std::string& text) {
  if (quiet_ || !outputIsTerminal_) {
    return;
  }
  std::cout << kClearLine << PrintableText(text) << std::flush;
  progressShown_ = !text.empty();
}

}  // namespace kestrin::cli
