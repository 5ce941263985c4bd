#include "platform/image_codecs/load_decoded_bitmap.h"

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

}  // namespace

Result<void, SourceLoadError> DecodeSourceFile(const char* path, gdi::COLORREF background,
                                               std::vector<std::uint8_t>& bytes,
                                               DecodedImage& image) {
  const auto file = bmp::SourceFile::Open(path);
  if (!file) return Refused(file.error());
  std::uint8_t head[kSignatureBytes];
  const auto sniffed = file->ReadAt(0, head);
  if (!sniffed) return Refused(sniffed.error());
  if (SniffFormat(std::span(head, *sniffed)) == ImageFormat::Other)
    return Unexpected{SourceLoadError{DecodeError::NotBmp, {}, true}};
  if (file->size() > bmp::kMaxFileBytes) return Refused(DecodeError::TooLarge);
  if (!Resize(bytes, file->size())) return Refused(DecodeError::OutOfMemory);
  const auto got = file->ReadAt(0, bytes);
  if (!got) return Refused(got.error());
  const std::span<const std::uint8_t> data(bytes.data(), *got);
  if (auto decoded = DecodeImage(data, background, image); !decoded)
    return Refused(ReasonOf(decoded.error().kind), decoded.error().reason);
  return {};
}

gdi::BITMAPINFO BitmapInfoOf(const DecodedImage& image) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<gdi::LONG>(image.width);
  info.bmiHeader.biHeight = -static_cast<gdi::LONG>(image.height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = gdi::BI_RGB;
  return info;
}

}  // namespace eveda::codecs
