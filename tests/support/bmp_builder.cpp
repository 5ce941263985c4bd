#include "tests/support/bmp_builder.h"
#include "platform/bmp_format/bmp_format.h"

#include <fstream>

namespace eveda::testing {
namespace {

class ByteWriter {
 public:
  void u8(std::uint32_t v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void u16(std::uint32_t v) {
    u8(v);
    u8(v >> 8);
  }
  void u32(std::uint32_t v) {
    u16(v);
    u16(v >> 16);
  }
  void zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); }
  std::vector<std::uint8_t> bytes;
};

bool bitfields(std::uint32_t compression) {
  return compression == bmp_format::BI_BITFIELDS || compression == bmp_format::BI_ALPHABITFIELDS;
}

void WriteInfoHeader(ByteWriter& out, const BmpSpec& spec, std::uint32_t sizeImage) {
  out.u32(spec.headerSize);
  if (spec.headerSize == 12) {
    out.u16(static_cast<std::uint32_t>(spec.width));
    out.u16(static_cast<std::uint32_t>(spec.height));
    out.u16(1);
    out.u16(spec.bitCount);
    return;
  }
  out.u32(static_cast<std::uint32_t>(spec.width));
  out.u32(static_cast<std::uint32_t>(spec.height));
  out.u16(1);
  out.u16(spec.bitCount);
  if (spec.headerSize == 16) return;
  out.u32(spec.compression);
  out.u32(sizeImage);
  out.u32(static_cast<std::uint32_t>(spec.pelsPerMeter));
  out.u32(static_cast<std::uint32_t>(spec.pelsPerMeter));
  out.u32(spec.colorsUsed);
  out.u32(0);
  if (spec.headerSize == 64) return out.zeros(24);
  if (spec.headerSize == 40) return;
  for (std::size_t i = 0; i < (spec.headerSize == 52 ? 3u : 4u); ++i) out.u32(spec.masks[i]);
  out.zeros(spec.headerSize - (spec.headerSize == 52 ? 52 : 56));
}

void WriteMasksAfterHeader(ByteWriter& out, const BmpSpec& spec) {
  if (spec.headerSize != 40 || !bitfields(spec.compression)) return;
  const std::size_t count = spec.compression == bmp_format::BI_ALPHABITFIELDS ? 4 : 3;
  for (std::size_t i = 0; i < count; ++i) out.u32(spec.masks[i]);
}

void WritePalette(ByteWriter& out, const BmpSpec& spec) {
  for (const std::uint32_t rgb : spec.palette) {
    out.u8(rgb);
    out.u8(rgb >> 8);
    out.u8(rgb >> 16);
    if (spec.headerSize != 12) out.u8(0);
  }
}

}  // namespace

std::vector<std::uint8_t> BuildBmp(const BmpSpec& spec, std::span<const std::uint8_t> pixelData) {
  ByteWriter body;
  WriteInfoHeader(body, spec,
                  spec.sizeImage.value_or(static_cast<std::uint32_t>(pixelData.size())));
  WriteMasksAfterHeader(body, spec);
  WritePalette(body, spec);
  body.zeros(spec.gapBytes);
  const std::uint32_t offset = 14 + static_cast<std::uint32_t>(body.bytes.size());

  ByteWriter file;
  file.u8('B');
  file.u8('M');
  file.u32(spec.fileSize.value_or(offset + static_cast<std::uint32_t>(pixelData.size())));
  file.u32(0);
  file.u32(spec.offBits.value_or(offset));
  file.bytes.insert(file.bytes.end(), body.bytes.begin(), body.bytes.end());
  file.bytes.insert(file.bytes.end(), pixelData.begin(), pixelData.end());
  return std::move(file.bytes);
}

std::vector<std::uint8_t> HeadersOfWrittenBmp(std::int32_t width, std::int32_t height,
                                              std::uint16_t bitCount, std::uint32_t pixelBytes) {
  BmpSpec spec{.width = width, .height = height, .bitCount = bitCount};
  spec.sizeImage = 0;
  spec.pelsPerMeter = 0;
  spec.fileSize = 54 + pixelBytes;
  return BuildBmp(spec, {});
}

std::vector<std::uint8_t> PackRows(int width, int height, unsigned bitCount, bool topDown,
                                   std::span<const std::uint32_t> values) {
  const std::size_t stride = static_cast<std::size_t>(bmp_format::RowStride(width, bitCount));
  std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row =
        out.data() + stride * static_cast<std::size_t>(topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = values[static_cast<std::size_t>(y) * width + x];
      if (bitCount < 8) {
        const unsigned bit = static_cast<unsigned>(x) * bitCount;
        const unsigned shift = 8 - bitCount - bit % 8;
        row[bit / 8] =
            static_cast<std::uint8_t>(row[bit / 8] | ((v & ((1u << bitCount) - 1)) << shift));
      } else {
        for (unsigned b = 0; b < bitCount / 8; ++b) {
          row[static_cast<std::size_t>(x) * (bitCount / 8) + b] =
              static_cast<std::uint8_t>(v >> (8 * b));
        }
      }
    }
  }
  return out;
}

RleStream& RleStream::Run(std::uint8_t count, std::uint8_t value) {
  bytes_.push_back(count);
  bytes_.push_back(value);
  return *this;
}

RleStream& RleStream::Absolute8(std::span<const std::uint8_t> indices) {
  Run(0, static_cast<std::uint8_t>(indices.size()));
  bytes_.insert(bytes_.end(), indices.begin(), indices.end());
  PadToWord();
  return *this;
}

RleStream& RleStream::Absolute4(std::span<const std::uint8_t> indices) {
  Run(0, static_cast<std::uint8_t>(indices.size()));
  for (std::size_t i = 0; i < indices.size(); i += 2) {
    const std::uint8_t low = i + 1 < indices.size() ? indices[i + 1] & 0x0F : 0;
    bytes_.push_back(static_cast<std::uint8_t>((indices[i] << 4) | low));
  }
  PadToWord();
  return *this;
}

RleStream& RleStream::EndOfLine() { return Run(0, 0); }
RleStream& RleStream::EndOfBitmap() { return Run(0, 1); }
RleStream& RleStream::Delta(std::uint8_t right, std::uint8_t up) {
  Run(0, 2);
  return Run(right, up);
}

void RleStream::PadToWord() {
  // Absolute runs end on a 16-bit boundary of the stream.
  if (bytes_.size() % 2 != 0) bytes_.push_back(0);
}

bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace eveda::testing
