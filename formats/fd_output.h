#pragma once
// Writing an encoder's bytes to the descriptor the save gave it: in order (a pipe will do), or at
// an offset for the formats that go back to patch what they wrote.

#include <cstddef>
#include <cstdint>

#include "formats/encoder.h"
#include "platform/result.h"

namespace formats {

// All `size` bytes at the descriptor's position, however many writes that takes.
eveda::Result<void, EncodeError> WriteAll(int fd, const void* data, std::size_t size);

// All `size` bytes at `offset`, leaving the descriptor's position alone.
eveda::Result<void, EncodeError> WriteAllAt(int fd, const void* data, std::size_t size,
                                            std::uint64_t offset);

}  // namespace formats
