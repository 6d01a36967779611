#include "cli/terminal_confirm.h"

#include <unistd.h>

#include <iostream>
#include <string>

#include "cli/console.h"
#include "formats/printable_text.h"

namespace kestrin::cli {
namespace {

constexpr int kAnswerTimeoutMs = 120 * 1000;

bool AskYesNo(const std::string& question) {
  std::cout << question << std::flush;
  if (!AnswerArrives(kAnswerTimeoutMs)) {
    std::cout << "\n(no answer: cancelled)" << std::endl;
    return false;
  }
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "y" || answer == "Y" || answer == "yes";
}

}  // namespace

ConfirmChangesHook TerminalConfirm(ConfirmPolicy policy, size_t& leftWaiting) {
  return
      [policy, &leftWaiting](const ChangeList& changes) -> std::optional<std::vector<ChangeRow>> {
        std::vector<ChangeRow> rows = RowsInDialogOrder(changes);
        if (policy == ConfirmPolicy::ApplyAll) {
          return rows;
        }
        if (policy == ConfirmPolicy::CancelAll) {
          return std::nullopt;
        }
        if (!isatty(STDIN_FILENO)) {
          leftWaiting = rows.size();
          return std::nullopt;
        }
        for (const ChangeRow& row : rows) {
          const PendingChange& change = row.change;
          std::cout << "  " << ChangeActionText(row.action) << "  " << PrintableText(change.Path)
                    << PrintableText(change.Name) << (change.URL.empty() ? "" : "  ")
                    << PrintableText(change.URL) << "\n";
        }
        if (!AskYesNo("Apply these " + std::to_string(rows.size()) + " changes? [y/N] ")) {
          return std::nullopt;
        }
        return rows;
      };
}

std::function<bool(const std::string&, const std::string&)> TerminalTrust(bool trustWithoutAsking) {
  return [trustWithoutAsking](const std::string& server, const std::string& fingerprint) {
    if (trustWithoutAsking) {
      std::cout << "Trusting " << PrintableText(server) << ", key fingerprint " << fingerprint
                << "\n";
      return true;
    }
    return isatty(STDIN_FILENO) &&
           AskYesNo("The server " + PrintableText(server) + " is new to this computer.\n" +
                    "Its key fingerprint is " + fingerprint + "\nTrust it? [y/N] ");
  };
}

}  // namespace kestrin::cli
