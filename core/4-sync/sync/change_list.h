#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

// One change awaiting application. For a deletion URL, IconFile, IconIndex and Modified are
// empty.
// The values are views into the records the change was found in: a change list is used
// while both lists are held, and a first sync's hundred thousand creations copy no text.
struct PendingChange {
  std::string_view Path;
  std::string_view Name;  // empty for a folder
  std::string_view URL;
  std::string_view IconFile;
  std::string_view IconIndex;
  std::string_view Type;           // "D" folder, "F" shortcut
  std::string_view Modified = {};  // of a creation: the shared record's, the time its file gets

  bool operator==(const PendingChange&) const = default;
};

struct ChangeList {
  std::vector<PendingChange> CreateList;  // in the shared list's order
  std::vector<PendingChange> DeleteList;  // in the local list's order
};

enum class ChangeAction { CreateLocally, DeleteLocally };

// "Create Locally" / "Delete Locally", as the confirmation dialog shows them.
const char* ChangeActionText(ChangeAction action);

struct ChangeRow {
  ChangeAction action;
  PendingChange change;
};

// What UpdateFavorites tells the run: 0 nothing applied, nothing uploaded; 1 changes
// applied, rescan and upload; 2 nothing to change, upload the first snapshot.
enum class ChangeOutcome : short { NothingApplied = 0, Applied = 1, Unchanged = 2 };

// The confirmation hook: shows the changes (creations first, then deletions) and returns
// the rows the user ticked and chose to process, or nullopt when the user cancelled or the
// confirmation timed out. It returns only when the question is settled, keeping the user
// interface alive meanwhile.
using ConfirmChangesHook = std::function<std::optional<std::vector<ChangeRow>>(const ChangeList&)>;

// Every row of the list in the dialog's order: creations first, then deletions.
std::vector<ChangeRow> RowsInDialogOrder(const ChangeList& changes);

// The rows' changes sorted back into a change list, each list in the rows' order.
ChangeList ChangeListOf(const std::vector<ChangeRow>& rows);

}  // namespace kestrin
