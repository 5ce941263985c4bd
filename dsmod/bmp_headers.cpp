#include "dsmod/bmp_headers.h"

namespace DSMod::detail {
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

}  // namespace DSMod::detail
