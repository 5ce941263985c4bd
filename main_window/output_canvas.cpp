#include "main_window/output_canvas.h"

namespace main_window {
namespace {

constexpr std::int32_t kBitCount = 24;

}  // namespace

bool OutputFitsInBmpFile(std::int32_t Width, std::int32_t Height) {
  return DSMod::BmpFileBytes(kBitCount, Width, Height) <= DSMod::kMaxBmpFileBytes;
}

eveda::Result<OutputBands, DSMod::CanvasError> CreateOutputBands(gdi::HDC RefDC, std::int32_t Width,
                                                                 std::int32_t Height,
                                                                 std::int32_t Rows,
                                                                 OutputFileKind kind) {
  if (Width < 1 || Height < 1) return eveda::Unexpected{DSMod::CanvasError::BadSize};
  // An output can fit in memory and still make a file one header too long to write.
  if (kind == OutputFileKind::Bmp && !OutputFitsInBmpFile(Width, Height))
    return eveda::Unexpected{DSMod::CanvasError::Overflow};
  EVEDA_TRY(first, DSMod::CreateBand(RefDC, Width, Height, Rows));
  auto second = DSMod::CreateBand(RefDC, Width, Height, Rows);
  if (!second) {
    DSMod::ReleaseBand(*first);
    return eveda::Unexpected{second.error()};
  }
  return OutputBands{*first, *second};
}

void ReleaseOutputBands(OutputBands& bands) {
  for (DSMod::Band& band : bands) DSMod::ReleaseBand(band);
}

}  // namespace main_window
