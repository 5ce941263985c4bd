// Damaged and unsupported files are refused with the reason, before any pixel memory is
// asked for.

#include <gtest/gtest.h>

#include <functional>

#include "platform/bmp_loader/bmp_decoder.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/plain_decoder.h"

namespace eveda::testing {
namespace {

using bmp_loader::DecodeError;
using Bytes = std::vector<std::uint8_t>;

Bytes WithSpec(std::function<void(BmpSpec&)> edit, std::size_t pixelBytes = 16) {
  BmpSpec spec{.width = 4, .height = 1};
  edit(spec);
  return BuildBmp(spec, Bytes(pixelBytes, 0x5A));
}

Bytes EightBit(std::function<void(BmpSpec&)> edit, std::size_t pixelBytes = 4) {
  return WithSpec(
      [&](BmpSpec& s) {
        s.bitCount = 8;
        s.palette.assign(256, 0x808080);
        edit(s);
      },
      pixelBytes);
}

Bytes cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

Bytes poke32(Bytes bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

Bytes bitfields(std::uint16_t bits, std::array<std::uint32_t, 4> masks) {
  return WithSpec([&](BmpSpec& s) {
    s.bitCount = bits;
    s.compression = bmp_format::BI_BITFIELDS;
    s.masks = masks;
  });
}

struct Refusal {
  const char* name;
  Bytes file;
  DecodeError error;
};

std::vector<Refusal> refusals() {
  const Bytes plain = WithSpec([](BmpSpec&) {});
  RleStream blackRle;
  blackRle.EndOfBitmap();
  const auto rle = [&](std::function<void(BmpSpec&)> edit) {
    BmpSpec spec{.width = 4, .height = 4, .bitCount = 8, .compression = bmp_format::BI_RLE8};
    spec.palette.assign(256, 0x808080);
    edit(spec);
    return BuildBmp(spec, blackRle.bytes());
  };
  return {
      {"Empty", {}, DecodeError::NotBmp},
      {"NotBm", Bytes{'P', 'N', 'G', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0},
       DecodeError::NotBmp},
      {"OnlySignature", Bytes{'B', 'M'}, DecodeError::TruncatedHeader},
      {"FileHeaderCut", cut(plain, 13), DecodeError::TruncatedHeader},
      {"NoInfoHeader", cut(plain, 14), DecodeError::TruncatedHeader},
      {"InfoHeaderCut", cut(plain, 30), DecodeError::TruncatedHeader},
      {"CoreHeaderCut", cut(WithSpec([](BmpSpec& s) { s.headerSize = 12; }), 20),
       DecodeError::TruncatedHeader},
      {"V5HeaderCut", cut(WithSpec([](BmpSpec& s) { s.headerSize = 124; }), 100),
       DecodeError::TruncatedHeader},
      {"HeaderSize41", poke32(plain, 14, 41), DecodeError::UnsupportedHeader},
      {"HeaderSizeHuge", poke32(plain, 14, 0xFFFFFFF0), DecodeError::UnsupportedHeader},
      {"WidthZero", WithSpec([](BmpSpec& s) { s.width = 0; }), DecodeError::BadDimensions},
      {"HeightZero", WithSpec([](BmpSpec& s) { s.height = 0; }), DecodeError::BadDimensions},
      {"NegativeWidth", WithSpec([](BmpSpec& s) { s.width = -4; }), DecodeError::BadDimensions},
      {"CoreWidthZero", WithSpec([](BmpSpec& s) {
         s.headerSize = 12;
         s.width = 0;
       }),
       DecodeError::BadDimensions},
      {"BitCount0", WithSpec([](BmpSpec& s) { s.bitCount = 0; }), DecodeError::BadBitCount},
      {"BitCount3", WithSpec([](BmpSpec& s) { s.bitCount = 3; }), DecodeError::BadBitCount},
      {"BitCount48", WithSpec([](BmpSpec& s) { s.bitCount = 48; }), DecodeError::BadBitCount},
      {"Rle8At4Bits", rle([](BmpSpec& s) { s.bitCount = 4; }), DecodeError::BadBitCount},
      {"Rle4At8Bits", rle([](BmpSpec& s) { s.compression = bmp_format::BI_RLE4; }),
       DecodeError::BadBitCount},
      {"BitfieldsAt24Bits", bitfields(24, {0xFF0000, 0xFF00, 0xFF, 0}), DecodeError::BadBitCount},
      {"Jpeg", WithSpec([](BmpSpec& s) { s.compression = 4; }),
       DecodeError::UnsupportedCompression},
      {"Png", WithSpec([](BmpSpec& s) { s.compression = 5; }), DecodeError::UnsupportedCompression},
      {"UnknownCompression", WithSpec([](BmpSpec& s) { s.compression = 7; }),
       DecodeError::UnsupportedCompression},
      {"Os2Huffman", WithSpec([](BmpSpec& s) {
         s.headerSize = 64;
         s.bitCount = 1;
         s.compression = 3;
       }),
       DecodeError::UnsupportedCompression},
      {"Os2Rle24", WithSpec([](BmpSpec& s) {
         s.headerSize = 64;
         s.compression = 4;
       }),
       DecodeError::UnsupportedCompression},
      {"MasksCut", cut(bitfields(16, {0xF800, 0x7E0, 0x1F, 0}), 14 + 40 + 8),
       DecodeError::TruncatedHeader},
      {"MaskZero", bitfields(16, {0xF800, 0, 0x1F, 0}), DecodeError::BadMasks},
      {"MaskWithGap", bitfields(16, {0xF0F0, 0x0F00, 0x000F, 0}), DecodeError::BadMasks},
      {"MasksOverlap", bitfields(32, {0xFF0000, 0x1FF00, 0xFF, 0}), DecodeError::BadMasks},
      {"MaskBeyond16Bits", bitfields(16, {0x1F0000, 0x7E0, 0x1F, 0}), DecodeError::BadMasks},
      {"PaletteCut", cut(EightBit([](BmpSpec&) {}), 14 + 40 + 1000), DecodeError::TruncatedPalette},
      {"CorePaletteCut", cut(EightBit([](BmpSpec& s) { s.headerSize = 12; }), 14 + 12 + 700),
       DecodeError::TruncatedPalette},
      {"OffBitsBeyondFile", WithSpec([](BmpSpec& s) { s.offBits = 100000; }),
       DecodeError::BadPixelOffset},
      {"OffBitsAtEnd", WithSpec([](BmpSpec& s) { s.offBits = 14 + 40 + 16; }),
       DecodeError::BadPixelOffset},
      {"OffBitsInsideHeader", WithSpec([](BmpSpec& s) { s.offBits = 20; }),
       DecodeError::BadPixelOffset},
      {"PixelsShort",
       WithSpec(
           [](BmpSpec& s) {
             s.width = 5;
             s.height = 2;
           },
           30),
       DecodeError::TruncatedPixels},
      {"WideButEmpty", WithSpec([](BmpSpec& s) {
         s.width = 100000;
         s.height = 100;
       }),
       DecodeError::TruncatedPixels},
      {"TopDownRle", rle([](BmpSpec& s) { s.height = -4; }), DecodeError::TopDownRle},
      {"OverPixelCap", WithSpec([](BmpSpec& s) {
         s.width = 65536;
         s.height = 65536;
       }),
       DecodeError::TooLarge},
      {"MostNegativeHeight", WithSpec([](BmpSpec& s) {
         s.width = 1;
         s.height = std::numeric_limits<std::int32_t>::min();
       }),
       DecodeError::TooLarge},
      {"HugeRle", rle([](BmpSpec& s) {
         s.width = 30000;
         s.height = 30000;
       }),
       DecodeError::TooLarge},
      {"SparseRle", rle([](BmpSpec& s) {
         s.width = 16384;
         s.height = 16384;
       }),
       DecodeError::RleTooSparse},
  };
}

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class DecoderRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(DecoderRefusals, RefusesWithTheReason) {
  const auto result = DecodeThroughRows(GetParam().file);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), GetParam().error) << bmp_loader::Describe(result.error());
}

INSTANTIATE_TEST_SUITE_P(Table, DecoderRefusals, ::testing::ValuesIn(refusals()),
                         [](const auto& info) { return info.param.name; });

TEST(DecoderRefusals, EveryPrefixOfAValidFileIsRefusedOrDecoded) {
  // Cutting a file anywhere must give an error or a picture, never a read past the cut
  // (the sanitizer build watches the reads).
  RleStream stream;
  stream.Run(3, 1).Absolute8(std::vector<std::uint8_t>{1, 2, 3}).EndOfLine().EndOfBitmap();
  const Bytes rle = BuildBmp({.width = 6,
                              .height = 2,
                              .bitCount = 8,
                              .compression = bmp_format::BI_RLE8,
                              .palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}},
                             stream.bytes());
  const Bytes v5 = BuildBmp({.headerSize = 124,
                             .width = 3,
                             .height = 2,
                             .bitCount = 16,
                             .compression = bmp_format::BI_BITFIELDS,
                             .masks = {0xF800, 0x7E0, 0x1F, 0}},
                            Bytes(16, 0x77));
  for (const Bytes& whole : {rle, v5}) {
    for (std::size_t size = 0; size < whole.size(); ++size) {
      const Bytes prefix(whole.begin(), whole.begin() + static_cast<long>(size));
      const auto result = DecodeThroughRows(prefix);
      if (result) {
        EXPECT_EQ(result->pixels.size(), result->layout.ByteSize());
      }
    }
  }
}

TEST(DecodeErrors, EveryErrorHasAReasonInBothLanguages) {
  for (int e = 0; e <= static_cast<int>(DecodeError::Unreadable); ++e) {
    const bmp_loader::ReasonText text = bmp_loader::ReasonTextOf(static_cast<DecodeError>(e));
    EXPECT_NE(text.english, "unknown error") << e;
    EXPECT_NE(text.japanese, "不明なエラーです") << e;
  }
  EXPECT_EQ(bmp_loader::Describe(DecodeError::TruncatedPixels),
            "the file ends before the last row of pixels");
  EXPECT_EQ(bmp_loader::ReasonTextOf(DecodeError::NotBmp).japanese, "BMPファイルではありません");
  EXPECT_EQ(bmp_loader::Describe(DecodeError::PermissionDenied), "permission denied");
}

}  // namespace
}  // namespace eveda::testing
