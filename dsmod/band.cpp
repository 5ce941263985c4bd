// CreateBand, MoveBand and FillBand, and a band's ownership of its handles.

#include <algorithm>
#include <cstring>
#include <utility>

#include "dsmod/canvas_layout.h"
#include "dsmod/dsmod.h"
#include "formats/bmp/bmp.h"
#include "platform/gdi/dib_rows.h"

namespace DSMod {

using eveda::Unexpected;

eveda::Result<Band, CanvasError> CreateBand(gdi::HDC RefDC, std::int32_t Width, std::int32_t Height,
                                            std::int32_t Rows) {
  if (Rows < 1) return Unexpected{CanvasError::BadSize};
  EVEDA_TRY(layout, detail::ComputeLayout(formats::kOutputBitCount, Width, std::min(Rows, Height)));

  Band band;
  band.Width = Width;
  band.Height = Height;
  band.Capacity = std::min(Rows, Height);
  band.Stride = layout->Stride;
  // Whatever was made before a failure goes with `band`.
  band.hDC = gdi::CreateCompatibleDC(RefDC);
  if (!band.hDC) return Unexpected{CanvasError::OutOfMemory};
  gdi::BITMAPINFO header{};
  header.bmiHeader = formats::BmpInfoHeader(formats::kOutputBitCount, Width, Height, 0);
  band.hBitmap = gdi::CreateBandSection(&header, band.Capacity, &band.pBits);
  if (band.hBitmap) band.hOldBitmap = gdi::SelectObject(band.hDC, band.hBitmap);
  if (!band.hBitmap || !band.hOldBitmap) return Unexpected{CanvasError::OutOfMemory};
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

Band::Band(Band&& other) noexcept { *this = std::move(other); }

Band& Band::operator=(Band&& other) noexcept {
  detail::TakeHandles(*this, other);
  Width = other.Width;
  Height = other.Height;
  Capacity = other.Capacity;
  FirstRow = other.FirstRow;
  Rows = other.Rows;
  Stride = other.Stride;
  return *this;
}

Band::~Band() { detail::ReleaseHandles(*this); }

}  // namespace DSMod
