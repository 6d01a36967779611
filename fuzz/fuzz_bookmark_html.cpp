// The reader of bookmark files that browsers export: any bytes it takes give a tree no
// deeper than the Favorites can carry, which the writer writes and the reader reads back
// the same.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bookmarks/netscape_html.h"
#include "fuzz/fuzz_check.h"

namespace {

std::size_t Depth(const kestrin::Bookmark& folder) {
  std::size_t deepest = 0;
  for (const kestrin::Bookmark& entry : folder.children) {
    deepest = std::max(deepest, entry.folder ? 1 + Depth(entry) : 0);
  }
  return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const kestrin::Result<kestrin::Bookmarks> read = kestrin::ReadNetscapeBookmarks(bytes);
  if (!read) {
    return 0;
  }
  FUZZ_REQUIRE(Depth(read->root) <= kestrin::kMaxBookmarkDepth);
  const std::string written = kestrin::WriteNetscapeBookmarks(read->root);
  const kestrin::Result<kestrin::Bookmarks> reread = kestrin::ReadNetscapeBookmarks(written);
  FUZZ_REQUIRE(reread && reread->root == read->root);
  return 0;
}
