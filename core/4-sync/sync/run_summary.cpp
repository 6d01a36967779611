#include "sync/run_summary.h"

namespace kestrin {

std::string SummaryText(const RunSummary& summary) {
  std::string text;
  const auto add = [&text](std::size_t count, const char* what) {
    if (count == 0) {
      return;
    }
    text += (text.empty() ? "" : ", ") + std::to_string(count) + " " +
            (text.empty() ? (count == 1 ? "favorite " : "favorites ") : "") + what;
  };
  add(summary.removed, "removed");
  add(summary.changed, "changed");
  add(summary.added, "added");
  return text;
}

}  // namespace kestrin
