#include "bookmarks/native_message.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kestrin {
namespace {

// Reads exactly `size` bytes; how many arrived before the stream ended or broke.
std::size_t ReadFully(int fd, char* into, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = read(fd, into + done, size - done);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  return done;
}

}  // namespace

Result<std::optional<std::string>> ReadNativeMessage(int fd, std::size_t maxBytes) {
  using Read = Result<std::optional<std::string>>;
  unsigned char prefix[4];
  const std::size_t got = ReadFully(fd, reinterpret_cast<char*>(prefix), sizeof prefix);
  if (got == 0) {
    return Read::Ok(std::nullopt);
  }
  if (got < sizeof prefix) {
    return Read::Fail("the message's length is cut short");
  }
  const std::uint32_t length =
      prefix[0] | prefix[1] << 8 | prefix[2] << 16 | static_cast<std::uint32_t>(prefix[3]) << 24;
  if (length > maxBytes) {
    return Read::Fail("a message of " + std::to_string(length) + " bytes is over the limit of " +
                      std::to_string(maxBytes));
  }
  std::string message(length, '\0');
  if (ReadFully(fd, message.data(), length) < length) {
    return Read::Fail("the message is cut short");
  }
  return Read::Ok(std::move(message));
}

Result<> WriteNativeMessage(int fd, std::string_view json) {
  if (json.size() > kMaxMessageToBrowser) {
    return Result<>::Fail("a message of " + std::to_string(json.size()) +
                          " bytes is over the browser's limit");
  }
  const auto length = static_cast<std::uint32_t>(json.size());
  std::string framed{static_cast<char>(length & 0xFF), static_cast<char>(length >> 8 & 0xFF),
                     static_cast<char>(length >> 16 & 0xFF), static_cast<char>(length >> 24)};
  framed.append(json);
  for (std::size_t done = 0; done < framed.size();) {
    const ssize_t put = write(fd, framed.data() + done, framed.size() - done);
    if (put < 0 && errno == EINTR) {
      continue;
    }
    if (put <= 0) {
      return Result<>::Fail("the browser closed the connection");
    }
    done += static_cast<std::size_t>(put);
  }
  return Result<>::Ok();
}

}  // namespace kestrin
