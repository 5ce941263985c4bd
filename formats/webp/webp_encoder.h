#pragma once
// WebP output through libwebp, lossy at a quality or lossless. libwebp encodes a whole picture at
// once, so this encoder collects the rows as they arrive (4 bytes a pixel for the whole image,
// and libwebp's own working copy as it encodes) and encodes them at Finish, writing the file in
// order as libwebp makes it: a pipe will do.

#include <cstdint>

#include "formats/encoder.h"

namespace formats {

// The format's limit on either side.
inline constexpr std::uint32_t kWebpMaxSide = 16383;
inline bool WebpFitsSize(std::uint32_t width, std::uint32_t height) {
  return width >= 1 && height >= 1 && width <= kWebpMaxSide && height <= kWebpMaxSide;
}

struct WebpOptions {
  bool lossless = false;
  float quality = 90;  // 0 to 100; for lossless, how hard it tries to make the file small
};

EncoderFactory MakeWebpEncoderFactory(WebpOptions options);

}  // namespace formats
