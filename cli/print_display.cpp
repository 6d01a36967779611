#include "cli/print_display.h"

#include <unistd.h>

#include <iostream>

#include "formats/printable_text.h"

namespace kestrin::cli {

namespace {
constexpr char kClearLine[] = "\r\033[K";
}  // namespace

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
    std::cerr << shown << std::endl;
  }
  if (!quiet_) {
    std::cout << shown << std::endl;
  }
  lastLine_ = text;
}

void PrintDisplay::SetStatusText(const std::string& text) {
  // Every line also reaches the status text; only the texts of its own (the countdown,
  // the closing summary) are worth showing, and only to a person.
  if (quiet_ || text == lastLine_ || !isatty(STDERR_FILENO)) {
    return;
  }
  std::cerr << "\r" << PrintableText(text) << std::flush;
  countdownShown_ = true;
}

void PrintDisplay::ShowProgress(const std::string& text) {
  if (quiet_ || !isatty(STDOUT_FILENO)) {
    return;
  }
  std::cout << kClearLine << PrintableText(text) << std::flush;
  progressShown_ = !text.empty();
}

}  // namespace kestrin::cli
