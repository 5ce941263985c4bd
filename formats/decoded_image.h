#pragma once
// A picture decoded whole into 24-bit B,G,R rows, top-down, each row padded to a multiple of 4
// bytes (a DIB section's stride), so that the rows can go to a band in one copy. The buffers
// are reused from one decode to the next, so that a run over many sources allocates once.

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace formats {

struct DecodedImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t stride = 0;             // bytes per row: 3 * width rounded up to 4
  std::vector<std::uint8_t> pixels;   // height * stride bytes, B,G,R
  std::vector<std::uint8_t> scratch;  // the decoders' own working memory
  const std::uint8_t* Row(std::uint32_t y) const { return pixels.data() + y * stride; }
};

// 0x00BBGGRR, as gdi's COLORREF: what alpha is blended over.
using Colour = std::uint32_t;

// The limit checked before any pixel memory is allocated. 2^28 pixels is 16384 x 16384, the
// same bound the BMP decoder keeps: no header can make us allocate more than about 1 GiB.
struct DecodeLimits {
  std::uint64_t maxPixels = std::uint64_t{1} << 28;
};

// 3 * width rounded up to whole 32-bit words.
constexpr std::uint64_t BgrStride(std::uint64_t width) { return (width * 3 + 3) / 4 * 4; }

// Grows a reused buffer without letting a failed allocation escape as an exception.
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

}  // namespace formats
