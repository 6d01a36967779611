#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "sync/change_list.h"

namespace kestrin::cli {

enum class ConfirmPolicy { Ask, ApplyAll, CancelAll };

// --yes applies every change, --no none; otherwise the changes are listed and the user
// asked on the terminal, with no answer in 120 seconds counting as cancel. Without a
// terminal to ask, none is applied and their number goes to leftWaiting, which must outlive
// the hook.
ConfirmChangesHook TerminalConfirm(ConfirmPolicy policy, size_t& leftWaiting);

// A server whose identity is new is trusted with --trust-new-server, otherwise when the user
// says so on the terminal; without a terminal, never.
std::function<bool(const std::string& server, const std::string& fingerprint)> TerminalTrust(
    bool trustWithoutAsking);

}  // namespace kestrin::cli
