#include "tests/support/plain_decoder.h"

#include <algorithm>
#include <cstring>

#include "platform/bmp_loader/row_source.h"

namespace eveda::testing {

Result<DecodedImage, bmp_loader::DecodeError> DecodeWhole(std::span<const std::uint8_t> file) {
  EVEDA_TRY(plan, bmp_loader::PlanDecode(file));
  DecodedImage image{plan->layout, std::vector<std::uint8_t>(plan->layout.ByteSize())};
  bmp_loader::DecodePixels(file, *plan, image.pixels);
  return image;
}

Result<DecodedImage, bmp_loader::DecodeError> DecodeThroughRows(std::span<const std::uint8_t> file) {
  EVEDA_TRY(plan, bmp_loader::PlanDecode(file));
  bmp_loader::RowBuffers own;
  bmp_loader::ScratchBuffer scratch;
  EVEDA_TRY(source, bmp_loader::RowSource::FromMemory(file, own, scratch));
  EVEDA_TRY(rows, source->Rows(0, source->Height(), scratch));
  const bmp_loader::Layout& layout = plan->layout;
  DecodedImage image{layout, std::vector<std::uint8_t>(layout.ByteSize())};
  const bool topDown = rows->info->bmiHeader.biHeight < 0;
  const auto* bits = static_cast<const std::uint8_t*>(rows->bits);
  for (std::int32_t y = 0; y < layout.height; ++y) {  // y counted from the bottom
    const std::int32_t from = topDown ? layout.height - 1 - y : y;
    std::memcpy(image.pixels.data() + std::size_t(y) * layout.stride,
                bits + std::size_t(from) * layout.stride, layout.stride);
  }
  return image;
}

}  // namespace eveda::testing
