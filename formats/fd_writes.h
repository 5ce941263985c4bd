#pragma once
// Writing bytes to a descriptor whole, the two ways the outputs write: in order (a pipe will
// do) and at an offset (a regular file). Each returns 0 or the error number.

#include <cstdint>
#include <span>

namespace formats {

int WriteAll(int fd, std::span<const std::uint8_t> bytes);
int WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes);

}  // namespace formats
