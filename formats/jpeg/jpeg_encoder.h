#pragma once
// JPEG output through libjpeg-turbo, written as the bands arrive: baseline, quality 1 to 100,
// chroma halved both ways (4:2:0) or kept whole (4:4:4); unless asked, halved below quality 90
// and whole from 90 on. Writes in order only, so a pipe will do.

#include <cstdint>
#include <memory>
#include <vector>

#include "formats/encoder.h"

namespace formats {

// The format's limit on either side; the caller checks before it draws.
inline constexpr std::uint32_t kJpegMaxSide = 65535;
inline bool JpegFitsSize(std::uint32_t width, std::uint32_t height) {
  return width >= 1 && height >= 1 && width <= kJpegMaxSide && height <= kJpegMaxSide;
}

enum class ChromaSampling { ByQuality, Halved, Whole };

struct JpegOptions {
  int quality = 90;  // 1 to 100
  ChromaSampling chroma = ChromaSampling::ByQuality;
};

EncoderFactory MakeJpegEncoderFactory(JpegOptions options);

// The same encoder writing into `out`, which must outlive it: for a pyramid's tiles, many of
// which are encoded at once as their rows arrive.
eveda::Result<std::unique_ptr<ImageEncoder>, EncodeError> MakeJpegEncoderInto(
    std::vector<std::uint8_t>& out, std::int32_t width, std::int32_t height,
    const JpegOptions& options);

}  // namespace formats
