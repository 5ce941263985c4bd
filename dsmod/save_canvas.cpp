// SaveCanvasBMP: the canvas as an uncompressed BMP file at its own depth.

#include <array>
#include <limits>
#include <vector>

#include "dsmod/atomic_file.h"
#include "dsmod/bmp_headers.h"
#include "dsmod/canvas_layout.h"
#include "dsmod/dsmod.h"

namespace DSMod {
namespace {

using eveda::Unexpected;

bool HasColourTable(std::int32_t BitCount) { return BitCount >= 1 && BitCount <= 8; }

std::uint32_t ColourTableEntries(std::int32_t BitCount) {
  return HasColourTable(BitCount) ? 1u << BitCount : 0;
}

// The file states biSizeImage 0: the size follows from the other fields.
gdi::BITMAPINFOHEADER FileInfoHeader(const Canvas& canvas) {
  gdi::BITMAPINFOHEADER info{};
  info.biSize = sizeof(gdi::BITMAPINFOHEADER);
  info.biWidth = canvas.Width;
  info.biHeight = canvas.Height;
  info.biPlanes = 1;
  info.biBitCount = static_cast<gdi::WORD>(canvas.BitCount);
  info.biCompression = gdi::BI_RGB;
  return info;
}

// Entries the section does not report stay 0.
std::vector<gdi::RGBQUAD> ReadColourTable(const Canvas& canvas) {
  std::vector<gdi::RGBQUAD> colours(ColourTableEntries(canvas.BitCount));
  if (!colours.empty())
    gdi::GetDIBColorTable(canvas.hDC, 0, static_cast<gdi::UINT>(colours.size()), colours.data());
  return colours;
}

}  // namespace

eveda::Result<void, SaveError> SaveCanvasBMP(Canvas& canvas, const std::string& FilePath) {
  if (!gdi::IsDibDepth(canvas.BitCount) || canvas.Stride < 1 || canvas.Height < 1)
    return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
  detail::BitmapFileHeader file;
  file.bfOffBits = 54 + 4 * ColourTableEntries(canvas.BitCount);
  const std::int64_t imageBytes = std::int64_t{canvas.Stride} * canvas.Height;
  const std::int64_t fileBytes = imageBytes + file.bfOffBits;
  if (fileBytes > std::numeric_limits<std::int32_t>::max())
    return Unexpected{SaveError{SaveError::Kind::Overflow, {}}};
  file.bfSize = static_cast<std::uint32_t>(fileBytes);

  const std::vector<gdi::RGBQUAD> colours = ReadColourTable(canvas);
  if (!CopyCanvasBits(canvas)) return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
  const std::vector<std::uint8_t> headers =
      detail::EncodeHeaders(file, FileInfoHeader(canvas), colours);
  const std::array<std::span<const std::uint8_t>, 2> parts = {
      std::span<const std::uint8_t>(headers),
      std::span<const std::uint8_t>(canvas.Bits.data(), static_cast<std::size_t>(imageBytes))};
  return detail::WriteFileAtomically(FilePath, parts);
}

}  // namespace DSMod
