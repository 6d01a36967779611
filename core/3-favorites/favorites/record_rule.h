#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "favorites/favorite_record.h"
#include "platform/result.h"

namespace kestrin {

// Ceilings on a record's Path. Real favorites nest a handful of folders deep in short
// names; a list thousands of levels deep would make every run walk each level for every
// record and leave a tree that deep behind.
inline constexpr std::size_t kMaxPathComponents = 64;
inline constexpr std::size_t kMaxPathBytes = 1024;

// An Internet shortcut's file name: its last three characters, in any case, are "url" (the
// dot takes no part). Only such files are scanned, and only such files are written.
bool HasShortcutName(std::string_view name);

// Succeeds when the record is one that every computer carries: one the scanner can have
// written, that names a place inside the Favorites folder and that a shortcut file can
// hold; otherwise fails saying why not. The reader refuses a list that holds such a record, the
// engine acts on none, and the scanner leaves such an entry out, so that what one computer writes
// every other one reads.
//
// Refused: a Type other than "D" or "F"; a Path or Name with a control character; a Path
// beyond the ceilings above, absolute, beginning with a drive letter or with an empty, "."
// or ".." component or a "/"; a folder record with a Name or a trailing backslash; a
// shortcut record whose Name is not a plain shortcut file name or whose Path does not end
// with a backslash; a URL, IconFile or IconIndex with a line break or NUL, which no
// shortcut file line can hold, or that names another host (NamesAnotherHost), which Windows
// would connect to just to show the folder.
Result<> CheckRecord(const FavoriteRecord& record);

}  // namespace kestrin
