#pragma once

#include <string>

#include "favorites/favorite_record.h"

namespace kestrin {

// Empty when the record is one that every computer carries: one the scanner can have
// written, that names a place inside the Favorites folder and that a shortcut file can
// hold; otherwise why not. The reader refuses a list that holds such a record, the engine
// acts on none, and the scanner leaves such an entry out, so that what one computer writes
// every other one reads.
//
// Refused: a Type other than "D" or "F"; a Path or Name with a control character; a Path
// that is absolute, begins with a drive letter or has an empty, "." or ".." component or a
// "/"; a folder record with a Name or a trailing backslash; a shortcut record without a
// plain file name or whose Path does not end with a backslash; a URL, IconFile or IconIndex
// with a line break or NUL, which no shortcut file line can hold.
std::string RecordProblem(const FavoriteRecord& record);

}  // namespace kestrin
