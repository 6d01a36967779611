#pragma once

#include <string>
#include <string_view>

#include "bookmarks/bookmark_tree.h"
#include "platform/result.h"

namespace kestrin {

// The Netscape bookmark file, the HTML that every browser imports and exports: each folder
// an <H3> followed by the <DL> list of what it holds, each link an <A HREF>.

// The folder's children as a bookmark file in UTF-8; titles and URLs escaped, ADD_DATE and
// LAST_MODIFIED from each entry's modification time.
std::string WriteNetscapeBookmarks(const Bookmark& root);

// Reads such a file as browsers do, tolerantly: tags and attribute names in any case,
// attributes in any order and quoting, missing closing tags, entities (named and numeric)
// decoded, separators, descriptions and anything else ignored. A link without an HREF is
// left out and counted. Text in the character set a META tag declares: UTF-8 (also when
// none is declared) or windows-1252 (also named ISO-8859-1, latin1 or ASCII), read as
// UTF-8. Fails, saying why, for another character set, and for a file that is no bookmark
// file: one with neither the NETSCAPE-Bookmark-file-1 doctype nor a <DT> inside a <DL>.
Result<Bookmarks> ReadNetscapeBookmarks(std::string_view html);

// The same from a file; fails, saying why, when it is no ordinary file or beyond 256 MiB.
Result<Bookmarks> ReadBookmarkFile(const std::string& path);

}  // namespace kestrin
