// The data file reader with encoding on.

#include "fuzz/data_file_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckDataFileBytes(data, size, /*decode=*/true);
  return 0;
}
