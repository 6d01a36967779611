#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kestrin {

// Files of the program folder that only their owner may read or write. None is reached
// through a link: another user could plant one to make the program overwrite a file of
// the user's own.

// Makes the file empty and readable by its owner only, creating it when absent. Fails for a
// link or anything but a regular file, which are left as they are: an old file that could
// not be removed is reused, but nothing planted in its place is written through.
Result<> EmptyPrivateFile(const std::string& path);

// Appends bytes to the file, creating it with mode 0600 when absent. A file larger than
// `limit` bytes is emptied first. Fails when the path is a link or no regular file, or when
// the bytes could not be written.
Result<> AppendToPrivateFile(const std::string& path, std::string_view bytes, std::uintmax_t limit);

// Takes away the access of group and others from a regular file of the user's own that was
// made by hand. A link is left alone.
void RestrictToOwner(const std::string& path);

// Writes all bytes to the descriptor, retrying after interruptions.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace kestrin
