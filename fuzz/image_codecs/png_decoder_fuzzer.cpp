// libFuzzer entry: any bytes through the PNG probe and decoder, buffers reused as in a run.

#include <cstddef>
#include <cstdint>

#include "platform/image_codecs/image_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static eveda::codecs::DecodedImage image;
  // A smaller limit than a run's keeps each input fast under the sanitizers; the check that
  // enforces it is the same.
  const eveda::codecs::DecodeLimits limits{.maxPixels = std::uint64_t{1} << 22};
  (void)eveda::codecs::ProbePng({data, size});
  (void)eveda::codecs::DecodePng({data, size}, 0x00336699, image, limits);
  return 0;
}
