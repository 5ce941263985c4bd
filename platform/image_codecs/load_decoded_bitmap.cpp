#include "platform/image_codecs/load_decoded_bitmap.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/bmp_loader/source_file.h"
#include "platform/image_codecs/image_decoder.h"
#include "platform/image_codecs/pixel_memory.h"

namespace eveda::codecs {
namespace {

using bmp::DecodeError;

bmp::DecodeError ReasonOf(CodecError::Kind kind) {
  switch (kind) {
    case CodecError::Kind::TooLarge:
      return DecodeError::TooLarge;
    case CodecError::Kind::OutOfMemory:
      return DecodeError::OutOfMemory;
    default:
      return DecodeError::Unreadable;
  }
}

Unexpected<SourceLoadError> Refused(DecodeError reason, std::string detail = {}) {
  return Unexpected{SourceLoadError{reason, std::move(detail), false}};
}

gdi::HBITMAP ToDibSection(const DecodedImage& image) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<gdi::LONG>(image.width);
  info.bmiHeader.biHeight = -static_cast<gdi::LONG>(image.height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = gdi::BI_RGB;
  void* bits = nullptr;
  const gdi::HBITMAP bitmap =
      gdi::CreateDIBSection(gdi::HDC{}, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap) std::memcpy(bits, image.pixels.data(), image.stride * image.height);
  return bitmap;
}

}  // namespace

ImageFormat SniffFile(const char* path) {
  const auto file = bmp::SourceFile::Open(path);
  if (!file) return ImageFormat::Other;
  std::uint8_t head[kSignatureBytes];
  const auto got = file->ReadAt(0, head);
  return got ? SniffFormat(std::span(head, *got)) : ImageFormat::Other;
}

Result<gdi::HBITMAP, SourceLoadError> LoadDecodedBitmap(const char* path,
                                                        gdi::COLORREF background) {
  const auto file = bmp::SourceFile::Open(path);
  if (!file) return Refused(file.error());
  if (file->size() > bmp::kMaxFileBytes) return Refused(DecodeError::TooLarge);
  thread_local std::vector<std::uint8_t> bytes;
  thread_local DecodedImage image;
  if (!Resize(bytes, file->size())) return Refused(DecodeError::OutOfMemory);
  const auto got = file->ReadAt(0, bytes);
  if (!got) return Refused(got.error());
  const std::span<const std::uint8_t> data(bytes.data(), *got);
  if (SniffFormat(data) == ImageFormat::Other)
    return Unexpected{SourceLoadError{DecodeError::NotBmp, {}, true}};
  if (auto decoded = DecodeImage(data, background, image); !decoded)
    return Refused(ReasonOf(decoded.error().kind), decoded.error().reason);
  const gdi::HBITMAP bitmap = ToDibSection(image);
  if (!bitmap) return Refused(DecodeError::OutOfMemory);
  return bitmap;
}

}  // namespace eveda::codecs
