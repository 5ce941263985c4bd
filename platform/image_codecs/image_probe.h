#pragma once
// The size of a PNG or JPEG from its headers only, without decoding a pixel.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "platform/image_codecs/codec_error.h"
#include "platform/result.h"

namespace eveda::codecs {

enum class ImageFormat { Other, Png, Jpeg };

struct ImageSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  friend bool operator==(ImageSize, ImageSize) = default;
};

// Every PNG file starts with these bytes.
inline constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G',
                                                              '\r', '\n', 0x1A, '\n'};

// PNG's bound on either side, and on a chunk's length: 2^31 - 1.
inline constexpr std::uint32_t kPngMaxValue = 0x7FFFFFFF;

// Enough bytes to tell the format and, for a PNG, read IHDR.
inline constexpr std::size_t kSignatureBytes = 33;

// By the signature alone: PNG's 8 bytes, JPEG's SOI followed by a marker.
ImageFormat SniffFormat(std::span<const std::uint8_t> head);

// The IHDR size of a PNG from its first kSignatureBytes bytes; refuses what the decoder would
// refuse from IHDR alone (zero or over-2^31 sides, bad depth for the colour type, a bad CRC).
Result<ImageSize, CodecError> ProbePng(std::span<const std::uint8_t> head);

// Reads `out.size()` bytes at `offset`, fewer only where the file ends.
using ReadAtFn = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> out)>;

// The size in a JPEG's first start-of-frame. Walks the marker segments by their lengths, so
// only a few bytes of each segment are read however large its EXIF or ICC payload is.
Result<ImageSize, CodecError> ProbeJpeg(const ReadAtFn& read);

}  // namespace eveda::codecs
