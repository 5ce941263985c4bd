#pragma once
// A whole file in memory, read once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/bmp_loader/bmp_decoder.h"

namespace eveda::bmp {

// No BMP we accept needs more bytes than this (kMaxPixels at 32 bits, plus headers and a
// generous gap), so a larger file is refused before anything is allocated.
inline constexpr std::uint64_t kMaxFileBytes = kMaxPixels * 4 + (std::uint64_t{1} << 20);

// The bytes of a file. The buffer is not zero-filled first: read() writes every byte kept.
struct FileBytes {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;
  std::span<const std::uint8_t> bytes() const { return {data.get(), size}; }
};

eveda::Result<FileBytes, DecodeError> read_file_bytes(const char* path);

// The reason for a failed open or read, from the system's error number.
DecodeError error_from_errno(int error);

}  // namespace eveda::bmp
