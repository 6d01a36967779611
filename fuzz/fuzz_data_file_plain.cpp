// The data file reader with encoding off.

#include "fuzz/data_file_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckDataFileBytes(data, size, /*decode=*/false);
  return 0;
}
