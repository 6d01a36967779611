#include "sync/change_list.h"

namespace kestrin {

const char* ChangeActionText(ChangeAction action) {
  return action == ChangeAction::CreateLocally ? "Create Locally" : "Delete Locally";
}

std::vector<ChangeRow> RowsInDialogOrder(const ChangeList& changes) {
  std::vector<ChangeRow> rows;
  rows.reserve(changes.CreateList.size() + changes.DeleteList.size());
  for (const PendingChange& change : changes.CreateList) {
    rows.push_back({ChangeAction::CreateLocally, change});
  }
  for (const PendingChange& change : changes.DeleteList) {
    rows.push_back({ChangeAction::DeleteLocally, change});
  }
  return rows;
}

ChangeList ChangeListOf(const std::vector<ChangeRow>& rows) {
  ChangeList changes;
  for (const ChangeRow& row : rows) {
    (row.action == ChangeAction::CreateLocally ? changes.CreateList : changes.DeleteList)
        .push_back(row.change);
  }
  return changes;
}

}  // namespace kestrin
