// SaveCanvasBMP: the canvas as an uncompressed BMP file at its own depth, through the same save
// and encoder as every output.

#include <vector>

#include "dsmod/canvas_layout.h"
#include "dsmod/dsmod.h"
#include "dsmod/image_file.h"
#include "formats/bmp/bmp.h"
#include "formats/bmp/bmp_headers.h"

namespace DSMod {
namespace {

using eveda::Unexpected;

// Whether the canvas can be written: a file depth, a size the format allows, live pixels. The
// size is refused before the pixels are looked at or a file is made.
eveda::Result<void, SaveError> Writable(const Canvas& canvas) {
  if (!gdi::IsDibDepth(canvas.BitCount) || canvas.Stride < 1 || canvas.Height < 1)
    return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
  if (formats::BmpFileSizeOf(canvas.BitCount, canvas.Width, canvas.Height) ==
      formats::BmpFileSize::TooLarge)
    return Unexpected{SaveError{SaveError::Kind::Overflow, {}}};
  if (detail::LivePixels(canvas) == nullptr)
    return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
  return {};
}

// Entries the section does not report stay 0.
std::vector<gdi::RGBQUAD> ReadColourTable(const Canvas& canvas) {
  std::vector<gdi::RGBQUAD> colours(formats::ColourTableEntries(canvas.BitCount));
  if (!colours.empty())
    gdi::GetDIBColorTable(canvas.hDC, 0, static_cast<gdi::UINT>(colours.size()), colours.data());
  return colours;
}

}  // namespace

// The pixels go to the file straight from the DIB section: a canvas of hundreds of megabytes
// is never copied first.
eveda::Result<void, SaveError> SaveCanvasBMP(Canvas& canvas, const std::string& FilePath,
                                             detail::FileSystem& fileSystem) {
  EVEDA_TRY(writable, Writable(canvas));
  const std::vector<gdi::RGBQUAD> colours = ReadColourTable(canvas);
  const formats::EncoderFactory encoder = [&](int fd, std::int32_t width, std::int32_t height) {
    return formats::MakeBmpEncoder(fd, width, height, canvas.BitCount, colours);
  };
  ImageFile file(FilePath, canvas.Width, canvas.Height, encoder, fileSystem);
  const auto* pixels = static_cast<const std::uint8_t*>(canvas.pBits);
  // Bottom-up in memory: the top row is the last.
  file.WriteRows(pixels + std::ptrdiff_t{canvas.Height - 1} * canvas.Stride, -canvas.Stride,
                 canvas.Height);
  EVEDA_TRY(written, file.Finish());
  return {};
}

}  // namespace DSMod
