#pragma once
// A whole file in memory, read once.

#include <cstdint>
#include <vector>

#include "platform/bmp_loader/bmp_decoder.h"

namespace eveda::bmp {

// No BMP we accept needs more bytes than this (kMaxPixels at 32 bits, plus headers and a
// generous gap), so a larger file is refused before anything is allocated.
inline constexpr std::uint64_t kMaxFileBytes = kMaxPixels * 4 + (std::uint64_t{1} << 20);

eveda::Result<std::vector<std::uint8_t>, DecodeError> read_file_bytes(const char* path);

}  // namespace eveda::bmp
