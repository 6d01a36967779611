#include "platform/whole_file.h"

#include <fstream>

namespace kestrin {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
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

}  // namespace kestrin
