#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>

#include "platform/result.h"

namespace kestrin {

// Replaces the file at `path` with `bytes` so that a reader sees either the old file or
// the new one whole: a temporary file in the same folder is written, flushed to disk and
// renamed over it. The new file gets `mode`. Fails when it could not be written; the old
// file is then untouched and no temporary file is left.
Result<> WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode);

}  // namespace kestrin
