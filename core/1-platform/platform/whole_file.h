#pragma once

#include <cstddef>
#include <string>

#include "platform/result.h"

namespace kestrin {

// A file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// An ordinary file's bytes, read whole. Fails, saying why, when it cannot be read, is no
// ordinary file or holds more than maxBytes.
Result<std::string> ReadOrdinaryFile(const std::string& path, std::size_t maxBytes);

}  // namespace kestrin
