#include "platform/bmp_loader/load_image.h"

#include <cstring>

#include "platform/bmp_loader/row_source.h"

namespace bmp_loader {
namespace {

thread_local DecodeError lastLoadError = DecodeError::Unreadable;

}  // namespace

eveda::Result<gdi::HBITMAP, DecodeError> LoadBitmap(const char* path) {
  RowBuffers own;
  ScratchBuffer scratch;
  EVEDA_TRY(source, RowSource::Open(path, own, scratch));
  EVEDA_TRY(rows, source->Rows(0, source->Height(), scratch));
  void* bits = nullptr;
  const gdi::HBITMAP bitmap =
      gdi::CreateDIBSection(gdi::HDC{}, rows->info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || bits == nullptr) {
    if (bitmap) gdi::DeleteObject(bitmap);
    return eveda::Unexpected{DecodeError::OutOfMemory};
  }
  gdi::BITMAP shape;
  gdi::GetObjectA(bitmap, sizeof shape, &shape);
  std::memcpy(
      bits, rows->bits,
      static_cast<std::size_t>(shape.bmWidthBytes) * static_cast<std::size_t>(shape.bmHeight));
  return bitmap;
}

DecodeError LastLoadError() { return lastLoadError; }

}  // namespace bmp_loader

namespace gdi {

// Only what a caller of a bitmap file asks for is offered: a bitmap file at its own size,
// always as a DIB section. Resource loading (no LR_LOADFROMFILE), other image types and
// scaling (cx or cy non-zero) return no handle; other flags are ignored.
HGDIOBJ LoadImageA(void* /*instance*/, const char* path, UINT type, int cx, int cy, UINT flags) {
  using bmp_loader::lastLoadError;
  if (path == nullptr || type != IMAGE_BITMAP || (flags & LR_LOADFROMFILE) == 0 || cx != 0 ||
      cy != 0) {
    lastLoadError = bmp_loader::DecodeError::Unreadable;
    return {};
  }
  const auto bitmap = bmp_loader::LoadBitmap(path);
  if (!bitmap) lastLoadError = bitmap.error();
  return bitmap ? *bitmap : HGDIOBJ{};
}

}  // namespace gdi
