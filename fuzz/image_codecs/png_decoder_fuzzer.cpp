// libFuzzer entry: any bytes through the PNG probe and decoder, buffers reused as in a run.

#include <cstddef>
#include <cstdint>

#include "formats/png/png.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static formats::DecodedImage image;
  // A smaller limit than a run's keeps each input fast under the sanitizers; the check that
  // enforces it is the same.
  const formats::DecodeLimits limits{.maxPixels = std::uint64_t{1} << 22};
  (void)formats::ProbePng({data, size});
  (void)formats::DecodePng({data, size}, 0x00336699, image, limits);
  return 0;
}
