#include "platform/whole_file.h"

#include <fstream>
#include <iterator>

#include "platform/native_path.h"

namespace kestrin {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kestrin
