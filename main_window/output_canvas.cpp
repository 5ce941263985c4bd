#include "main_window/output_canvas.h"

namespace main_window {
namespace {

constexpr std::int32_t kBitCount = 24;

}  // namespace

bool OutputFitsInBmpFile(std::int32_t Width, std::int32_t Height) {
  return DSMod::BmpFileBytes(kBitCount, Width, Height) <= DSMod::kMaxBmpFileBytes;
}

eveda::Result<DSMod::Canvas, DSMod::CanvasError> CreateOutputCanvas(gdi::HDC RefDC,
                                                                    std::int32_t Width,
                                                                    std::int32_t Height) {
  // A canvas can fit in memory and still make a file one header too long to write.
  if (!OutputFitsInBmpFile(Width, Height)) return eveda::Unexpected{DSMod::CanvasError::Overflow};
  return DSMod::CreateCanvas(RefDC, kBitCount, Width, Height, {});
}

}  // namespace main_window
