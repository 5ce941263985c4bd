#include "join/output_bands.h"

#include "formats/bmp/bmp.h"

namespace join {

eveda::Result<OutputBands, DSMod::CanvasError> CreateOutputBands(gdi::HDC RefDC, std::int32_t Width,
                                                                 std::int32_t Height,
                                                                 std::int32_t Rows,
                                                                 bool bmpFileLimit) {
  if (Width < 1 || Height < 1) return eveda::Unexpected{DSMod::CanvasError::BadSize};
  // An output can fit in memory and still make a file one header too long to write.
  if (bmpFileLimit && !formats::FitsInBmpFile(Width, Height))
    return eveda::Unexpected{DSMod::CanvasError::Overflow};
  EVEDA_TRY(first, DSMod::CreateBand(RefDC, Width, Height, Rows));
  EVEDA_TRY(second, DSMod::CreateBand(RefDC, Width, Height, Rows));
  return OutputBands{std::move(*first), std::move(*second)};
}

}  // namespace join
