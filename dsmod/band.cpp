// CreateBand, MoveBand, FillBand and ReleaseBand.

#include <algorithm>
#include <cstring>

#include "dsmod/canvas_layout.h"
#include "dsmod/dsmod.h"
#include "platform/gdi/dib_rows.h"

namespace DSMod {

using eveda::Unexpected;

eveda::Result<Band, CanvasError> CreateBand(gdi::HDC RefDC, std::int32_t Width, std::int32_t Height,
                                            std::int32_t Rows) {
  constexpr std::int32_t kBitCount = 24;
  if (Rows < 1) return Unexpected{CanvasError::BadSize};
  EVEDA_TRY(layout, detail::ComputeLayout(kBitCount, Width, std::min(Rows, Height)));

  Band band;
  band.Width = Width;
  band.Height = Height;
  band.Capacity = std::min(Rows, Height);
  band.Stride = layout->Stride;
  band.hDC = gdi::CreateCompatibleDC(RefDC);
  if (!band.hDC) return Unexpected{CanvasError::OutOfMemory};
  gdi::BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
  header.bmiHeader.biWidth = Width;
  header.bmiHeader.biHeight = Height;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = kBitCount;
  header.bmiHeader.biCompression = gdi::BI_RGB;
  band.hBitmap = gdi::CreateBandSection(&header, band.Capacity, &band.pBits);
  if (band.hBitmap) band.hOldBitmap = gdi::SelectObject(band.hDC, band.hBitmap);
  if (!band.hBitmap || !band.hOldBitmap) {
    gdi::DeleteObject(band.hBitmap);
    gdi::DeleteDC(band.hDC);
    return Unexpected{CanvasError::OutOfMemory};
  }
  band.Rows = band.Capacity;
  return band;
}

void MoveBand(Band& band, std::int32_t FirstRow) {
  if (!gdi::MoveBandSection(band.hBitmap, FirstRow)) return;
  band.FirstRow = FirstRow;
  band.Rows = std::min(band.Capacity, band.Height - FirstRow);
}

void FillBand(Band& band, gdi::COLORREF colour) {
  if (band.pBits == nullptr || band.Rows < 1) return;
  auto* rows = static_cast<std::uint8_t*>(band.pBits);
  const std::size_t rowBytes = std::size_t(band.Width) * 3;
  for (std::size_t x = 0; x < rowBytes; x += 3) {
    rows[x] = gdi::GetBValue(colour);
    rows[x + 1] = gdi::GetGValue(colour);
    rows[x + 2] = gdi::GetRValue(colour);
  }
  for (std::int32_t k = 1; k < band.Rows; ++k)
    std::memcpy(rows + std::ptrdiff_t{k} * band.Stride, rows, rowBytes);
}

void ReleaseBand(Band& band) {
  gdi::SelectObject(band.hDC, band.hOldBitmap);
  gdi::DeleteObject(band.hBitmap);
  gdi::DeleteDC(band.hDC);
}

}  // namespace DSMod
