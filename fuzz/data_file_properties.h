#pragma once

#include <cstddef>
#include <cstdint>

// Reads the bytes as a data file and checks what any accepted file must satisfy.
void CheckDataFileBytes(const std::uint8_t* data, std::size_t size, bool decode);
