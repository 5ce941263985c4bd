#include "platform/bmp_loader/load_image.h"

#include <bit>
#include <cstring>
#include <new>
#include <vector>

#include "platform/bmp_loader/source_file.h"
#include "platform/gdi/dib_section_over.h"

namespace eveda::bmp {
namespace {

using gdi::detail::PixelMemory;

static_assert(sizeof(PaletteEntry) == sizeof(gdi::RGBQUAD));
static_assert(std::endian::native == std::endian::little, "masks are stored little-endian");

thread_local DecodeError lastLoadError = DecodeError::Unreadable;

eveda::Result<PixelMemory, DecodeError> Allocate(std::size_t bytes) {
  try {
    return PixelMemory::ForOverwrite(bytes);
  } catch (const std::bad_alloc&) {
    return eveda::Unexpected{DecodeError::OutOfMemory};
  }
}

// A small file is read whole with its headers, in one read; a larger one gives its headers
// first and its pixels later, straight to where they go.
constexpr std::size_t kReadWholeBytes = std::size_t{64} << 10;

struct SourceBytes {
  const SourceFile& file;
  std::span<const std::uint8_t> start;  // the bytes from offset 0 already read

  eveda::Result<std::size_t, DecodeError> ReadAt(std::size_t offset,
                                                 std::span<std::uint8_t> out) const {
    if (offset > start.size() || out.size() > start.size() - offset)
      return file.ReadAt(offset, out);
    std::memcpy(out.data(), start.data() + offset, out.size());
    return out.size();
  }
};

// Uncompressed rows at a depth the raster layer has are already a DIB section's memory: they
// are read straight into it, in the file's own row order, and drawn from there.
eveda::Result<gdi::HBITMAP, DecodeError> LoadRows(const SourceBytes& file, const DecodePlan& plan) {
  auto memory = Allocate(plan.layout.ByteSize());
  if (!memory) return eveda::Unexpected{memory.error()};
  const auto got = file.ReadAt(plan.pixelOffset, std::span(memory->get(), plan.pixelBytes));
  if (!got) return eveda::Unexpected{got.error()};
  if (*got < plan.pixelBytes) return eveda::Unexpected{DecodeError::TruncatedPixels};  // shrank
  // Some writers leave out the last row's padding.
  std::memset(memory->get() + plan.pixelBytes, 0, memory->size() - plan.pixelBytes);
  gdi::BITMAPINFO info = BitmapInfoFor(plan.layout);
  if (plan.topDown) info.bmiHeader.biHeight = -info.bmiHeader.biHeight;
  const gdi::HBITMAP bitmap = gdi::CreateDIBSectionOver(&info, std::move(*memory), nullptr);
  if (!bitmap) return eveda::Unexpected{DecodeError::OutOfMemory};
  return bitmap;
}

// RLE streams and 2-bit rows are decoded into a new bottom-up section.
eveda::Result<gdi::HBITMAP, DecodeError> LoadDecoded(const SourceBytes& file, DecodePlan plan) {
  auto stream = Allocate(plan.pixelBytes);
  if (!stream) return eveda::Unexpected{stream.error()};
  const auto got = file.ReadAt(plan.pixelOffset, std::span(stream->get(), plan.pixelBytes));
  if (!got) return eveda::Unexpected{got.error()};
  if (*got < plan.pixelBytes) {
    // A compressed stream that ends early keeps what it decoded; rows cannot.
    if (plan.encoding == SourceEncoding::Rows)
      return eveda::Unexpected{DecodeError::TruncatedPixels};
    plan.pixelBytes = *got;
  }
  plan.pixelOffset = 0;
  const gdi::BITMAPINFO info = BitmapInfoFor(plan.layout);
  void* bits = nullptr;
  const gdi::HBITMAP bitmap =
      gdi::CreateDIBSection(gdi::HDC{}, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || bits == nullptr) {
    if (bitmap) gdi::DeleteObject(bitmap);
    return eveda::Unexpected{DecodeError::OutOfMemory};
  }
  // A new DIB section is zero-filled, as decode_pixels requires.
  DecodePixels(std::span(stream->get(), plan.pixelBytes), plan,
               std::span(static_cast<std::uint8_t*>(bits), plan.layout.ByteSize()));
  return bitmap;
}

}  // namespace

gdi::BITMAPINFO BitmapInfoFor(const Layout& layout) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
  info.bmiHeader.biWidth = layout.width;
  info.bmiHeader.biHeight = layout.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = layout.bitCount;
  info.bmiHeader.biCompression = layout.compression;
  info.bmiHeader.biClrUsed = layout.paletteSize;
  if (layout.compression == BI_BITFIELDS) {
    std::memcpy(static_cast<void*>(info.bmiColors), layout.masks.data(), sizeof(layout.masks));
  } else {
    std::memcpy(static_cast<void*>(info.bmiColors), layout.palette.data(),
                layout.paletteSize * sizeof(PaletteEntry));
  }
  return info;
}

eveda::Result<gdi::HBITMAP, DecodeError> LoadBitmap(const char* path) {
  const auto file = SourceFile::Open(path);
  if (!file) return eveda::Unexpected{file.error()};
  if (file->size() > kMaxFileBytes) return eveda::Unexpected{DecodeError::TooLarge};
  // One buffer a thread, made on first use and kept: reading thousands of small files reuses it.
  thread_local std::vector<std::uint8_t> buffer(kReadWholeBytes);
  const std::size_t first = file->size() <= buffer.size() ? buffer.size() : kHeadBytes;
  const auto got = file->ReadAt(0, std::span(buffer).first(first));
  if (!got) return eveda::Unexpected{got.error()};
  const SourceBytes bytes{*file, std::span(buffer).first(*got)};
  const auto plan = PlanDecode(bytes.start, file->size());
  if (!plan) return eveda::Unexpected{plan.error()};
  if (plan->encoding == SourceEncoding::Rows && plan->sourceBitCount == plan->layout.bitCount)
    return LoadRows(bytes, *plan);
  return LoadDecoded(bytes, *plan);
}

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
  const auto bitmap = eveda::bmp::LoadBitmap(path);
  if (!bitmap) lastLoadError = bitmap.error();
  return bitmap ? *bitmap : HGDIOBJ{};
}

}  // namespace gdi
