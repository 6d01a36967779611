#pragma once

#include "sync/change_list.h"

namespace kestrin::cli {

enum class ConfirmPolicy { Ask, ApplyAll, CancelAll };

// --yes applies every change, --no none; otherwise the changes are listed and the user
// asked on the terminal, with no answer in 120 seconds (or no terminal) counting as cancel.
ConfirmChangesHook TerminalConfirm(ConfirmPolicy policy);

}  // namespace kestrin::cli
