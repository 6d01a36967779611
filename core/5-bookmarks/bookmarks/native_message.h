#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace kestrin {

// Browsers take no message over 1 MiB from a native host.
inline constexpr std::size_t kMaxMessageToBrowser = 1024 * 1024;
// A browser may send up to 4 GiB; a whole bookmark tree fits in far less.
inline constexpr std::size_t kMaxMessageFromBrowser = 64 * 1024 * 1024;

// Reads one native message (a 4-byte length in the machine's byte order, little-endian on
// every system Kestrin runs on, then that many bytes of JSON) from the descriptor. Nothing
// when the stream ended cleanly before a message; fails on a length over the bound or a
// stream cut inside a message.
Result<std::optional<std::string>> ReadNativeMessage(int fd,
                                                     std::size_t maxBytes = kMaxMessageFromBrowser);

// Writes one native message; fails when it is over kMaxMessageToBrowser or the stream broke.
Result<> WriteNativeMessage(int fd, std::string_view json);

}  // namespace kestrin
