#pragma once

#include <initializer_list>
#include <iostream>
#include <string_view>

#include "formats/printable_text.h"
#include "sync/change_list.h"

namespace kestrin::cli {

// Everything the commands print quotes files and servers: it is made printable on its way out.

// One line of tab-separated fields as the data file holds them (no re-encoding); a tab or
// control character in a field is shown as \xHH.
inline void WriteRow(std::ostream& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) {
      out << '\t';
    }
    out << PrintableText(field);
    first = false;
  }
  out << '\n';
}

// One row per change, in the confirmation dialog's order: the action, then the record's
// fields but Modified.
inline void WriteChangeRows(std::ostream& out, const ChangeList& changes) {
  for (const ChangeRow& row : RowsInDialogOrder(changes)) {
    const PendingChange& c = row.change;
    WriteRow(out, {ChangeActionText(row.action), c.Path, c.Name, c.URL, c.IconFile, c.IconIndex,
                   c.Type});
  }
}

// A line on standard error, after the program's name.
inline void WriteProblem(std::string_view text) {
  std::cerr << "kestrin-cli: " << PrintableText(text) << "\n";
}

}  // namespace kestrin::cli
