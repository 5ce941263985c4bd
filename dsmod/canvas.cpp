// CreateCanvas and ReleaseCanvas.

#include <cstring>
#include <new>
#include <utility>

#include "dsmod/canvas_layout.h"
#include "dsmod/dsmod.h"

namespace DSMod {

using eveda::Unexpected;

eveda::Result<Canvas, CanvasError> CreateCanvas(gdi::HDC RefDC, std::int32_t BitCount,
                                                std::int32_t Width, std::int32_t Height,
                                                std::span<const gdi::RGBQUAD> Palette) {
  EVEDA_TRY(layout, detail::ComputeLayout(BitCount, Width, Height));
  if (BitCount <= 8 && Palette.size() < (std::size_t{1} << BitCount))
    return Unexpected{CanvasError::BadPalette};

  Canvas canvas;
  canvas.BitCount = BitCount;
  canvas.Width = Width;
  canvas.Height = Height;
  canvas.Stride = layout->Stride;

  // Whatever was made before a failure goes with `canvas`.
  canvas.hDC = gdi::CreateCompatibleDC(RefDC);
  if (!canvas.hDC) return Unexpected{CanvasError::OutOfMemory};
  const gdi::BITMAPINFO header =
      detail::MakeCreationHeader(BitCount, Width, Height, *layout, Palette);
  canvas.hBitmap =
      gdi::CreateDIBSection(canvas.hDC, &header, gdi::DIB_RGB_COLORS, &canvas.pBits, nullptr, 0);
  if (canvas.hBitmap) canvas.hOldBitmap = gdi::SelectObject(canvas.hDC, canvas.hBitmap);
  if (!canvas.hBitmap || !canvas.hOldBitmap) return Unexpected{CanvasError::OutOfMemory};
  canvas.Blank = true;  // a new DIB section is zero-filled
  return canvas;
}

void ReleaseCanvas(Canvas& canvas) { detail::ReleaseHandles(canvas); }

Canvas::Canvas(Canvas&& other) noexcept { *this = std::move(other); }

Canvas& Canvas::operator=(Canvas&& other) noexcept {
  detail::TakeHandles(*this, other);
  BitCount = other.BitCount;
  Width = other.Width;
  Height = other.Height;
  Stride = other.Stride;
  Blank = other.Blank;
  return *this;
}

Canvas::~Canvas() { ReleaseCanvas(*this); }

namespace detail {

// The pixel memory is read only while the DIB section that owns it is alive and still has
// the canvas's shape, so a released or hand-made record is refused instead of read.
const std::uint8_t* LivePixels(const Canvas& canvas) {
  gdi::BITMAP section;
  if (!canvas.pBits || gdi::GetObjectA(canvas.hBitmap, sizeof section, &section) == 0)
    return nullptr;
  if (section.bmBits != canvas.pBits || section.bmWidth != canvas.Width ||
      section.bmHeight != canvas.Height || section.bmWidthBytes != canvas.Stride ||
      section.bmBitsPixel != canvas.BitCount)
    return nullptr;
  return static_cast<const std::uint8_t*>(canvas.pBits);
}

}  // namespace detail

}  // namespace DSMod
