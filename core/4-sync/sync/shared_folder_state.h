#pragma once

#include <string>

#include "platform/result.h"
#include "settings/sync_settings.h"

namespace kestrin {

// What this computer remembers of one shared folder between runs (the list it last agreed
// with, the newest sealed generation it has seen) lives in a private folder of its own in the
// working folder, one per shared folder: another server, protocol, port, login or remote
// directory starts with nothing remembered.
std::string SharedFolderStateOf(const std::string& workFolder, const SyncSettings& settings);

// Creates that folder (mode 0700) with the folder holding it, never through a link. Fails
// with the reason when it cannot be made.
Result<> MakeSharedFolderState(const std::string& stateFolder);

}  // namespace kestrin
