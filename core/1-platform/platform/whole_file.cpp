#include "platform/whole_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/native_path.h"
#include "platform/posix_files.h"

namespace kestrin {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary | std::ios::ate);
  std::string bytes;
  if (const std::streamoff size = in.tellg(); size > 0) {
    // One read of the size the file has, not a character at a time.
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(bytes.data(), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
  }
  return bytes;
}

Result<std::string> ReadOrdinaryFile(const std::string& path, std::size_t maxBytes) {
  using Bytes = Result<std::string>;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return Bytes::Fail(path + ": " + std::strerror(errno));
  }
  struct stat info;
  std::string bytes;
  std::string why;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    why = "not an ordinary file";
  } else if (static_cast<std::size_t>(info.st_size) > maxBytes) {
    why = "larger than " + std::to_string(maxBytes) + " bytes";
  } else {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got <= 0) {
        why = got < 0 ? std::strerror(errno) : "the file shrank while it was read";
        break;
      }
      done += static_cast<std::size_t>(got);
    }
  }
  close(fd);
  return why.empty() ? Bytes::Ok(std::move(bytes)) : Bytes::Fail(path + ": " + why);
}

}  // namespace kestrin
