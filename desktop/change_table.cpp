#include "desktop/change_table.h"

#include "formats/printable_text.h"

namespace kestrin::desktop {

std::array<std::string, std::size(kChangeColumns)> ChangeRowTexts(const ChangeRow& row) {
  const PendingChange& change = row.change;
  return {"",
          ChangeActionText(row.action),
          PrintableText(change.Path),
          PrintableText(change.Name),
          PrintableText(change.URL),
          PrintableText(change.IconFile),
          PrintableText(change.IconIndex),
          PrintableText(change.Type)};
}

}  // namespace kestrin::desktop
