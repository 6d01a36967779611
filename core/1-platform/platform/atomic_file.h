#pragma once

#include <span>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "platform/result.h"

namespace kestrin {

// Whether a file replaced must be on disk before the call returns, or may be lost or
// damaged by a crash soon after: only a file whose reader checks it whole (a cache) may be.
enum class Durability { Flushed, Unflushed };

// Replaces the file at `path` with `bytes` so that a reader sees either the old file or
// the new one whole: a temporary file in the same folder is written, flushed to disk and
// renamed over it. The new file gets `mode`. Fails when it could not be written; the old
// file is then untouched and no temporary file is left.
Result<> WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode,
                             Durability durability = Durability::Flushed);
// The same for a file of several parts, written one after the other.
Result<> WriteFileAtomically(const std::string& path, std::span<const std::string_view> parts,
                             mode_t mode, Durability durability = Durability::Flushed);

}  // namespace kestrin
