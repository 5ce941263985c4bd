// Files that are odd rather than broken: each gives a defined picture.

#include <gtest/gtest.h>

#include "platform/bmp_loader/bmp_decoder.h"
#include "tests/bmp_loader/decoded_pixels.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/plain_decoder.h"

namespace eveda::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Colours = std::vector<std::uint32_t>;

constexpr std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF, K = 0;
const std::vector<std::uint32_t> kPalette = {K, R, G, B, W};

Colours DecodeColours(const Bytes& file) {
  const auto image = DecodeThroughRows(file);
  EXPECT_TRUE(image) << bmp_loader::Describe(image.error());
  return image ? DecodedRgb(*image) : Colours{};
}

Bytes Rle8File(int width, int height, const RleStream& stream) {
  return BuildBmp({.width = width,
                   .height = height,
                   .bitCount = 8,
                   .compression = bmp_format::BI_RLE8,
                   .palette = kPalette,
                   .colorsUsed = 5},
                  stream.bytes());
}

TEST(DecoderChoices, IndexBeyondThePaletteIsBlack) {
  const Bytes file =
      BuildBmp({.width = 3, .height = 1, .bitCount = 8, .palette = {R, G}, .colorsUsed = 2},
               PackRows(3, 1, 8, false, Colours{1, 2, 255}));
  EXPECT_EQ(DecodeColours(file), (Colours{G, K, K}));
}

TEST(DecoderChoices, RleRunPastTheRightEdgeIsClippedNotWrapped) {
  RleStream s;
  s.Run(200, 1).Absolute8(Bytes{2, 3, 4, 2, 3}).EndOfLine().Absolute8(Bytes{3, 3, 3, 3, 3});
  EXPECT_EQ(DecodeColours(Rle8File(3, 2, s)), (Colours{B, B, B,  //
                                                       R, R, R}));
}

TEST(DecoderChoices, RlePastTheLastRowIsIgnored) {
  RleStream s;
  s.Run(2, 1).EndOfLine().Run(2, 2).EndOfLine().Run(2, 3).EndOfLine().Delta(200, 200).Run(2, 4);
  EXPECT_EQ(DecodeColours(Rle8File(2, 2, s)), (Colours{G, G,  //
                                                       R, R}));
}

TEST(DecoderChoices, RleDeltaAndEarlyEndOfLineLeaveIndexZero) {
  RleStream s;
  s.Run(1, 1).EndOfLine().Delta(2, 0).Run(1, 2).Delta(0, 1).Run(1, 4).EndOfBitmap();
  // Row 1 gets G at x = 2; the delta keeps x = 3 on row 2 for W.
  EXPECT_EQ(DecodeColours(Rle8File(4, 3, s)), (Colours{K, K, K, W,  //
                                                       K, K, G, K,  //
                                                       R, K, K, K}));
}

TEST(DecoderChoices, RleStreamCutShortKeepsWhatItHas) {
  RleStream s;
  s.Run(2, 1).EndOfLine();
  Bytes stream = s.bytes();
  stream.insert(stream.end(), {0, 5, 2, 2});  // an absolute run of 5 cut after 2 bytes
  const Bytes file = BuildBmp({.width = 2,
                               .height = 2,
                               .bitCount = 8,
                               .compression = bmp_format::BI_RLE8,
                               .palette = kPalette,
                               .colorsUsed = 5},
                              stream);
  EXPECT_EQ(DecodeColours(file), (Colours{K, K,  //
                                          R, R}));
}

TEST(DecoderChoices, Rle4OddRunsAlternateNibbles) {
  RleStream s;
  s.Run(3, 0x12).Absolute4(Bytes{3, 4, 1}).EndOfBitmap();
  const Bytes file = BuildBmp({.width = 7,
                               .height = 1,
                               .bitCount = 4,
                               .compression = bmp_format::BI_RLE4,
                               .palette = kPalette,
                               .colorsUsed = 5},
                              s.bytes());
  EXPECT_EQ(DecodeColours(file), (Colours{R, G, R, B, W, R, K}));
}

TEST(DecoderChoices, WrongSizeImageIsIgnored) {
  const Colours pixels = {R, G, B, W, K, R};
  const Bytes rows = PackRows(3, 2, 24, false, pixels);
  for (const std::uint32_t sizeImage : {1u, 7u, 0xFFFFFFFFu}) {
    EXPECT_EQ(DecodeColours(BuildBmp({.width = 3, .height = 2, .sizeImage = sizeImage}, rows)),
              pixels);
    RleStream s;
    s.Run(2, 1).EndOfLine().Run(1, 2).EndOfBitmap();
    const Bytes rle = BuildBmp({.width = 2,
                                .height = 2,
                                .bitCount = 8,
                                .compression = bmp_format::BI_RLE8,
                                .palette = kPalette,
                                .colorsUsed = 5,
                                .sizeImage = sizeImage},
                               s.bytes());
    EXPECT_EQ(DecodeColours(rle), (Colours{G, K, R, R}));
  }
}

TEST(DecoderChoices, LastRowMayLackItsPadding) {
  Bytes rows = PackRows(1, 2, 24, false, Colours{R, B});
  rows.resize(rows.size() - 1);
  EXPECT_EQ(DecodeColours(BuildBmp({.width = 1, .height = 2}, rows)), (Colours{R, B}));
}

TEST(DecoderChoices, ZeroOffBitsMeansRightAfterTheColourTable) {
  const Bytes file = BuildBmp(
      {.width = 2, .height = 1, .bitCount = 8, .palette = {R, G, B}, .colorsUsed = 3, .offBits = 0},
      PackRows(2, 1, 8, false, Colours{2, 1}));
  EXPECT_EQ(DecodeColours(file), (Colours{B, G}));
}

TEST(DecoderChoices, CoreColourTableEndsWhereThePixelsStart) {
  // Two 3-byte entries instead of 256: bfOffBits says so.
  const Bytes file =
      BuildBmp({.headerSize = 12, .width = 3, .height = 1, .bitCount = 8, .palette = {R, G}},
               PackRows(3, 1, 8, false, Colours{1, 0, 2}));
  EXPECT_EQ(DecodeColours(file), (Colours{G, R, K}));
}

TEST(DecoderChoices, ExtraColourTableEntriesAreSkipped) {
  std::vector<std::uint32_t> palette(300, W);
  palette[1] = R;
  const Bytes file =
      BuildBmp({.width = 2, .height = 1, .bitCount = 8, .palette = palette, .colorsUsed = 300},
               PackRows(2, 1, 8, false, Colours{1, 255}));
  EXPECT_EQ(DecodeColours(file), (Colours{R, W}));
}

}  // namespace
}  // namespace eveda::testing
