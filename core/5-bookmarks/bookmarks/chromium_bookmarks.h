#pragma once

#include <string>
#include <string_view>

#include "bookmarks/bookmark_tree.h"
#include "platform/result.h"

namespace kestrin {

// Chromium's and Chrome's "Bookmarks" file (JSON): each of its roots ("bookmark_bar",
// "other", "synced") that holds anything becomes a folder of the root's name. Fails, saying
// why, on a file that is not such JSON.
Result<Bookmarks> ParseChromiumBookmarks(std::string_view json);

}  // namespace kestrin
