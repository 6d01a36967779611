#pragma once

#include "win32/windows_api.h"

#include <optional>
#include <vector>

#include "sync/change_list.h"

namespace kestrin::win32 {

// frmProcess: shows the pending changes with a tick box each beside `owner` and keeps the
// program running until it closes. The ticked rows after "Process"; nullopt after
// "Cancel", the countdown or any other close.
std::optional<std::vector<ChangeRow>> ConfirmChanges(HWND owner, const ChangeList& changes);

}  // namespace kestrin::win32
