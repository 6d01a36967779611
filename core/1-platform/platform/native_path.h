#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrin {

// The core's paths are bytes with "/" between names; on Windows the bytes are UTF-8, on
// Linux they go to the system as they are. These are the one crossing between the two.

// The operating system's path for a core path.
std::filesystem::path NativePath(const std::string& path);

// The core path of an operating system's path, with "/" between names.
std::string CorePath(const std::filesystem::path& path);

// True for a path that names its place from the root of a drive or the file system.
bool IsAbsolutePath(std::string_view path);

}  // namespace kestrin
