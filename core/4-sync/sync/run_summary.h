#pragma once

#include <cstddef>
#include <string>

namespace kestrin {

// What a run did to the Favorites folder, told to the person who may want it back.
struct RunSummary {
  std::size_t removed = 0;  // shortcuts deleted
  std::size_t changed = 0;  // shortcuts whose URL was replaced
  std::size_t added = 0;    // shortcuts created
  std::string restoreId;    // the restore point of what was removed or changed; may be empty
};

// "3 favorites removed, 1 changed, 2 added": the counts that are not zero, removals first.
std::string SummaryText(const RunSummary& summary);

}  // namespace kestrin
