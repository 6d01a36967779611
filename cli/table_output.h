#pragma once

#include <initializer_list>
#include <ostream>
#include <string_view>

namespace kestrin::cli {

// One line of tab-separated fields, written as the data file holds them (no re-encoding).
inline void WriteRow(std::ostream& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) {
      out << '\t';
    }
    out << field;
    first = false;
  }
  out << '\n';
}

}  // namespace kestrin::cli
