#include "platform/bmp_loader/load_image.h"

#include <bit>
#include <cstring>

#include "platform/bmp_loader/file_bytes.h"

namespace eveda::bmp {

static_assert(sizeof(PaletteEntry) == sizeof(gdi::RGBQUAD));
static_assert(std::endian::native == std::endian::little, "masks are stored little-endian");

gdi::BITMAPINFO bitmap_info(const Layout& layout) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
  info.bmiHeader.biWidth = layout.width;
  info.bmiHeader.biHeight = layout.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = layout.bitCount;
  info.bmiHeader.biCompression = layout.compression;
  info.bmiHeader.biClrUsed = layout.paletteSize;
  if (layout.compression == kBitfields) {
    std::memcpy(static_cast<void*>(info.bmiColors), layout.masks.data(), sizeof(layout.masks));
  } else {
    std::memcpy(static_cast<void*>(info.bmiColors), layout.palette.data(),
                layout.paletteSize * sizeof(PaletteEntry));
  }
  return info;
}

eveda::Result<gdi::HBITMAP, DecodeError> load_bitmap(const char* path) {
  const auto bytes = read_file_bytes(path);
  if (!bytes) return eveda::Unexpected{bytes.error()};
  const auto plan = plan_decode(bytes->bytes());
  if (!plan) return eveda::Unexpected{plan.error()};

  const gdi::BITMAPINFO info = bitmap_info(plan->layout);
  void* bits = nullptr;
  const gdi::HBITMAP bitmap =
      gdi::CreateDIBSection(gdi::HDC{}, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || bits == nullptr) {
    if (bitmap) gdi::DeleteObject(bitmap);
    return eveda::Unexpected{DecodeError::OutOfMemory};  // the raster layer found no memory
  }
  // A new DIB section is zero-filled, as decode_pixels requires.
  decode_pixels(bytes->bytes(), *plan,
                std::span<std::uint8_t>(static_cast<std::uint8_t*>(bits), plan->layout.byteSize()));
  return bitmap;
}

namespace {
thread_local DecodeError lastLoadError = DecodeError::Unreadable;
}  // namespace

DecodeError LastLoadError() { return lastLoadError; }

}  // namespace eveda::bmp

namespace gdi {

// Only what the drawing pass asks for is offered: a bitmap file at its own size, always as
// a DIB section. Resource loading (no LR_LOADFROMFILE), other image types and scaling
// (cx or cy non-zero) return no handle; other flags are ignored.
HGDIOBJ LoadImageA(void* /*instance*/, const char* path, UINT type, int cx, int cy, UINT flags) {
  using eveda::bmp::lastLoadError;
  if (path == nullptr || type != IMAGE_BITMAP || (flags & LR_LOADFROMFILE) == 0 || cx != 0 ||
      cy != 0) {
    lastLoadError = eveda::bmp::DecodeError::Unreadable;
    return {};
  }
  const auto bitmap = eveda::bmp::load_bitmap(path);
  if (!bitmap) lastLoadError = bitmap.error();
  return bitmap ? *bitmap : HGDIOBJ{};
}

}  // namespace gdi
