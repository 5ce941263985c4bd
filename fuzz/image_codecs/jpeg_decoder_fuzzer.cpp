// libFuzzer entry: any bytes through the JPEG probe and decoder, buffers reused as in a run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/image_codecs/image_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static eveda::codecs::DecodedImage image;
  const eveda::codecs::DecodeLimits limits{.maxPixels = std::uint64_t{1} << 22};
  (void)eveda::codecs::ProbeJpeg([&](std::uint64_t at, std::span<std::uint8_t> out) {
    if (at >= size) return std::size_t{0};
    const std::size_t n = std::min<std::size_t>(out.size(), size - at);
    std::memcpy(out.data(), data + at, n);
    return n;
  });
  (void)eveda::codecs::DecodeJpeg({data, size}, image, limits);
  return 0;
}
