#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// Whether a shortcut's URL or IconFile names a file on another host: a UNC path
// ("\\host\share", "//host/share") or a file: URL with a host ("file://host/share",
// "file:////host/share"). Windows connects to that host just to show the icon or open the
// file, and hands it the user's login hash. "file:///path" and "file://localhost/path" are
// local.
bool NamesAnotherHost(std::string_view value);

// What a file: URL names after its scheme (in any case), percent-decoded, without its query
// or fragment and without a "//localhost" that names this computer; nullopt for a URL of
// another scheme.
std::optional<std::string> FileUrlTarget(std::string_view url);

}  // namespace kestrin
