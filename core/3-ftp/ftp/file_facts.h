#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrin {

// What a server's answers tell about one name in a folder: whether it is a plain file, and
// its size when the answer gave one.
struct FileFacts {
  bool plainFile = false;
  std::optional<std::int64_t> size;
};

// The size in a reply to SIZE ("213 4096"); none for any other reply.
std::optional<std::int64_t> SizeInReply(std::string_view reply);

// Whether a refusal says that there is no such name, rather than that the name is no plain
// file or may not be looked at: servers word it in their own ways.
bool SaysNoSuchFile(std::string_view reply);

// The facts line of an MLST reply (" type=file;size=4;modify=20260101000000; favs.ind").
FileFacts FactsOfMlstLine(std::string_view line);

// Whether a listing of names alone (NLST, or SFTP's), one a line, holds the name.
bool IsListed(std::string_view listing, std::string_view name);

// What a LIST of a folder shows of `name`, in the Unix form ("-rw-r--r-- 1 user group 4 Jan
// 1 10:00 favs.ind") or the DOS form ("01-01-26  10:00AM  4 favs.ind"). Not listed: no file.
FileFacts FactsInListing(std::string_view listing, std::string_view name);

}  // namespace kestrin
