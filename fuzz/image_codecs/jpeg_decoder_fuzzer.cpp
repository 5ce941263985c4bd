// libFuzzer entry: any bytes through the JPEG probe and decoder, buffers reused as in a run.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "formats/jpeg/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static formats::DecodedImage image;
  const formats::DecodeLimits limits{.maxPixels = std::uint64_t{1} << 22};
  (void)formats::ProbeJpeg(formats::MemoryInput({data, size}));
  (void)formats::DecodeJpeg({data, size}, image, limits);
  return 0;
}
