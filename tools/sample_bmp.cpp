#include "tools/sample_bmp.h"

#include <cstring>
#include <fstream>

#include "dsmod/dsmod.h"
#include "formats/bmp/bmp.h"
#include "formats/bmp/bmp_headers.h"

namespace tools {
namespace {

gdi::RGBQUAD Quad(std::uint32_t rgb) {
  return {static_cast<gdi::BYTE>(rgb), static_cast<gdi::BYTE>(rgb >> 8),
          static_cast<gdi::BYTE>(rgb >> 16), 0};
}

std::vector<gdi::RGBQUAD> Quads(const std::vector<std::uint32_t>& palette) {
  std::vector<gdi::RGBQUAD> quads;
  for (std::uint32_t rgb : palette) quads.push_back(Quad(rgb));
  return quads;
}

// Indices below a byte are packed leftmost pixel in the high bits.
void StorePixel(std::uint8_t* row, int x, int bitCount, std::uint32_t value) {
  if (bitCount == 24) {
    std::memcpy(row + 3 * x, &value, 3);  // little-endian 0x00RRGGBB is B, G, R
  } else if (bitCount == 32) {
    std::memcpy(row + 4 * x, &value, 4);
  } else {
    const int bit = x * bitCount;
    const int shift = 8 - bitCount - bit % 8;
    const auto mask = static_cast<std::uint8_t>(((1u << bitCount) - 1) << shift);
    std::uint8_t& byte = row[bit / 8];
    byte = static_cast<std::uint8_t>((byte & ~mask) | ((value << shift) & mask));
  }
}

}  // namespace

bool WriteSampleBMP(const SampleImage& image, const std::string& path) {
  const std::vector<gdi::RGBQUAD> palette = Quads(image.palette);
  auto canvas = DSMod::CreateCanvas(gdi::HDC{}, image.bitCount, image.width, image.height, palette);
  if (!canvas) return false;
  auto* bits = static_cast<std::uint8_t*>(canvas->pBits);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = bits + std::size_t(canvas->Height - 1 - y) * canvas->Stride;
    for (int x = 0; x < image.width; ++x)
      StorePixel(row, x, image.bitCount, image.values[std::size_t(y) * image.width + x]);
  }
  const bool saved = DSMod::SaveCanvasBMP(*canvas, path).has_value();
  return saved;
}

bool WriteRunsRLE8(const std::vector<std::vector<std::uint8_t>>& rows, int runLength,
                   const std::vector<std::uint32_t>& palette, const std::string& path) {
  std::vector<std::uint8_t> pixels;
  for (const std::vector<std::uint8_t>& row : rows) {
    for (std::uint8_t index : row) pixels.insert(pixels.end(), {std::uint8_t(runLength), index});
    pixels.insert(pixels.end(), {0, 0});  // end of line
  }
  pixels.insert(pixels.end(), {0, 1});  // end of bitmap

  const std::vector<gdi::RGBQUAD> colours = Quads(palette);
  gdi::BITMAPINFOHEADER info = formats::BmpInfoHeader(
      8, rows.empty() ? 0 : runLength * static_cast<int>(rows.front().size()),
      static_cast<std::int32_t>(rows.size()), static_cast<gdi::DWORD>(pixels.size()));
  info.biCompression = gdi::BI_RLE8;
  info.biClrUsed = static_cast<gdi::DWORD>(colours.size());
  formats::BitmapFileHeader file;
  file.bfOffBits = static_cast<std::uint32_t>(14 + sizeof info + 4 * colours.size());
  file.bfSize = static_cast<std::uint32_t>(file.bfOffBits + pixels.size());
  const std::vector<std::uint8_t> headers = formats::EncodeHeaders(file, info, colours);

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(headers.data()), std::streamsize(headers.size()));
  out.write(reinterpret_cast<const char*>(pixels.data()), std::streamsize(pixels.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace tools
