#include "tests/support/plain_decoder.h"

namespace eveda::testing {

Result<DecodedImage, bmp::DecodeError> DecodeWhole(std::span<const std::uint8_t> file) {
  EVEDA_TRY(plan, bmp::PlanDecode(file));
  DecodedImage image{plan->layout, std::vector<std::uint8_t>(plan->layout.ByteSize())};
  bmp::DecodePixels(file, *plan, image.pixels);
  return image;
}

}  // namespace eveda::testing
