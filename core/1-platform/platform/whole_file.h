#pragma once

#include <string>

namespace kestrin {

// A file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace kestrin
