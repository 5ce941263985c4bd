#pragma once
// Growing the reused buffers without letting a failed allocation escape as an exception.

#include <cstdint>
#include <new>
#include <vector>

#include "platform/image_codecs/image_decoder.h"

namespace eveda::codecs {

inline bool Resize(std::vector<std::uint8_t>& buffer, std::uint64_t bytes) {
  if (bytes > buffer.max_size()) return false;
  try {
    buffer.resize(static_cast<std::size_t>(bytes));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Sizes `out` for width x height B,G,R rows.
inline bool ResizeBgr(DecodedImage& out, std::uint32_t width, std::uint32_t height) {
  out.width = width;
  out.height = height;
  out.stride = static_cast<std::size_t>(BgrStride(width));
  return Resize(out.pixels, BgrStride(width) * height);
}

}  // namespace eveda::codecs
