// CreateDIBSection: checks a header and makes a zero-filled bitmap of its format.

#include <cstring>
#include <limits>
#include <new>
#include <optional>

#include "platform/gdi/blit.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"

namespace gdi {

bool IsDibDepth(long bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
         bitCount == 32;
}

namespace {

using detail::Bitmap;

DWORD MaskAt(const BITMAPINFO& info, int index) {
  DWORD mask;
  std::memcpy(&mask, &info.bmiColors[index], sizeof mask);
  return mask;
}

// The colour table, or for BI_BITFIELDS the masks, as the header describes them. Our
// BITMAPINFO keeps the table right after the 40 bytes of the basic header, so a longer
// header is accepted but its extra fields are not read.
bool ReadPixelFormat(const BITMAPINFO& info, Bitmap& bitmap) {
  const BITMAPINFOHEADER& header = info.bmiHeader;
  if (bitmap.IsPaletted()) {
    if (header.biCompression != BI_RGB) return false;
    const std::uint32_t maximum = 1u << bitmap.bitCount;
    bitmap.colourCount =
        header.biClrUsed == 0 || header.biClrUsed > maximum ? maximum : header.biClrUsed;
    std::memcpy(bitmap.colours.data(), info.bmiColors, bitmap.colourCount * sizeof(RGBQUAD));
    return true;
  }
  if (header.biCompression == BI_RGB) {
    if (bitmap.bitCount != 24) bitmap.masks = detail::DefaultChannelMasks(bitmap.bitCount);
    return true;
  }
  if (header.biCompression != BI_BITFIELDS || bitmap.bitCount == 24) return false;
  auto masks =
      detail::MakeChannelMasks(MaskAt(info, 0), MaskAt(info, 1), MaskAt(info, 2), bitmap.bitCount);
  if (!masks) return false;
  bitmap.masks = *masks;
  bitmap.defaultMasks = false;
  return true;
}

}  // namespace

namespace detail {

std::unique_ptr<Bitmap> MakeDibBitmap(const BITMAPINFO& info, bool band) {
  const BITMAPINFOHEADER& header = info.bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1) return nullptr;
  if (header.biWidth < 1 || header.biHeight == 0 || !IsDibDepth(header.biBitCount)) return nullptr;
  const std::int64_t height =
      header.biHeight < 0 ? -std::int64_t{header.biHeight} : std::int64_t{header.biHeight};
  const std::int64_t stride = bmp_format::RowStride(header.biWidth, header.biBitCount);
  constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
  if (height > limit || stride > limit || (!band && stride * height > limit)) return nullptr;

  auto bitmap = std::make_unique<Bitmap>();
  bitmap->width = header.biWidth;
  bitmap->height = static_cast<std::int32_t>(height);
  bitmap->topDown = header.biHeight < 0;
  bitmap->bitCount = header.biBitCount;
  bitmap->stride = static_cast<std::int32_t>(stride);
  if (!ReadPixelFormat(info, *bitmap)) return nullptr;
  return bitmap;
}

}  // namespace detail

namespace {

using detail::MakeDibBitmap;

std::size_t ImageBytes(const Bitmap& bitmap) {
  return static_cast<std::size_t>(bitmap.stride) * static_cast<std::size_t>(bitmap.height);
}

HBITMAP AddDibSection(std::unique_ptr<Bitmap> bitmap, void** bits) {
  void* pixels = bitmap->pixels.get();
  const std::uint32_t id = detail::ObjectTable::Instance().Add(std::move(bitmap));
  if (id != 0 && bits) *bits = pixels;
  return HBITMAP{id};
}

}  // namespace

// `dc` is not needed for DIB_RGB_COLORS and may be null; a non-null one must be live. File
// mappings are not supported.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset) {
  if (bits) *bits = nullptr;
  auto& table = detail::ObjectTable::Instance();
  if (!info || usage != DIB_RGB_COLORS || section || offset != 0) return HBITMAP{};
  if (dc && !table.FindDc(dc.id)) return HBITMAP{};
  try {
    std::unique_ptr<Bitmap> bitmap = MakeDibBitmap(*info);
    if (!bitmap) return HBITMAP{};
    bitmap->pixels = detail::PixelMemory::Zeroed(ImageBytes(*bitmap));
    return AddDibSection(std::move(bitmap), bits);
  } catch (const std::bad_alloc&) {
    return HBITMAP{};
  }
}

}  // namespace gdi
