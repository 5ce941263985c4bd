#include "formats/bmp/bmp_headers.h"

#include <limits>

#include "formats/bmp/bmp.h"

namespace formats {
namespace {

class LittleEndianWriter {
 public:
  explicit LittleEndianWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void U8(std::uint8_t value) { out_.push_back(value); }
  void U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
  }
  void U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
  }

 private:
  std::vector<std::uint8_t>& out_;
};

}  // namespace

std::uint32_t ColourTableEntries(std::int32_t BitCount) {
  return BitCount >= 1 && BitCount <= 8 ? 1u << BitCount : 0;
}

std::uint32_t HeaderBytes(std::int32_t BitCount) {
  return kHeaderBytes + ColourTableEntries(BitCount) * std::uint32_t{sizeof(gdi::RGBQUAD)};
}

std::int64_t BmpFileBytes(std::int32_t bitCount, std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1 || !gdi::IsDibDepth(bitCount)) return 0;
  const std::int64_t headers = HeaderBytes(bitCount);
  const std::int64_t stride = bmp_format::RowStride(width, bitCount);
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  // The widest 32-bit rows times the most rows pass even 64 bits.
  if (stride > (kLargest - headers) / height) return kLargest;
  return headers + stride * height;
}

gdi::BITMAPINFOHEADER BmpInfoHeader(std::int32_t bitCount, std::int32_t width, std::int32_t height,
                                    std::uint32_t sizeImage) {
  gdi::BITMAPINFOHEADER info{};
  info.biSize = sizeof(gdi::BITMAPINFOHEADER);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = static_cast<gdi::WORD>(bitCount);
  info.biCompression = gdi::BI_RGB;
  info.biSizeImage = sizeImage;
  return info;
}

std::vector<std::uint8_t> EncodeHeaders(const BitmapFileHeader& file,
                                        const gdi::BITMAPINFOHEADER& info,
                                        std::span<const gdi::RGBQUAD> colours) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kHeaderBytes + colours.size() * sizeof(gdi::RGBQUAD));
  LittleEndianWriter out(bytes);
  out.U16(file.bfType);
  out.U32(file.bfSize);
  out.U16(file.bfReserved1);
  out.U16(file.bfReserved2);
  out.U32(file.bfOffBits);

  out.U32(info.biSize);
  out.U32(static_cast<std::uint32_t>(info.biWidth));
  out.U32(static_cast<std::uint32_t>(info.biHeight));
  out.U16(info.biPlanes);
  out.U16(info.biBitCount);
  out.U32(info.biCompression);
  out.U32(info.biSizeImage);
  out.U32(static_cast<std::uint32_t>(info.biXPelsPerMeter));
  out.U32(static_cast<std::uint32_t>(info.biYPelsPerMeter));
  out.U32(info.biClrUsed);
  out.U32(info.biClrImportant);

  for (const gdi::RGBQUAD& colour : colours) {
    out.U8(colour.rgbBlue);
    out.U8(colour.rgbGreen);
    out.U8(colour.rgbRed);
    out.U8(colour.rgbReserved);
  }
  return bytes;
}

}  // namespace formats
