#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "formats/sealed_file.h"
#include "settings/sync_settings.h"
#include "sync/run_failure.h"

namespace kestrin {

// Whoever can write the server folder, without the passphrase, can still put an older sealed
// list back or delete it, and every computer would then delete what was added since. So each
// upload seals the next generation number, each computer remembers per shared folder the
// newest it has seen, and a list older than that, or none where one was seen, is refused.
struct SealedGenerations {
  std::string stateFolder;            // of the shared folder: keeps `seen` in a file of its own
  std::optional<std::uint64_t> seen;  // nullopt: no sealed list seen or sealed here yet
};

// Recalls what this computer has seen of the shared folder's sealed lists and checks the list
// found (its label; nullopt: the server holds none) against it. Fails with the "Error: " line
// when the list must not be taken: older than one seen, missing though one was seen, or
// sealed for another folder. startOver (keep-local) takes whatever is there. For a list that
// is not sealed it checks nothing.
StepResult CheckSealedListFound(const std::string& workFolder, const SyncSettings& settings,
                                const std::optional<SealLabel>& found, bool startOver,
                                SealedGenerations& generations);

// The generation the next upload seals: beyond the one found and every one seen.
std::uint64_t NextGeneration(const SealedGenerations& generations,
                             const std::optional<SealLabel>& found);

// Keeps generation as the newest seen, unless a newer one is kept already.
Result<> RememberSealedGeneration(SealedGenerations& generations, std::uint64_t generation);

}  // namespace kestrin
