// Files that are odd rather than broken: each gives a defined picture.

#include <gtest/gtest.h>

#include "platform/bmp_loader/bmp_decoder.h"
#include "tests/loader/decoded_pixels.h"
#include "tests/support/bmp_builder.h"

namespace eveda::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Colours = std::vector<std::uint32_t>;

constexpr std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF, K = 0;
const std::vector<std::uint32_t> kPalette = {K, R, G, B, W};

Colours decode_colours(const Bytes& file) {
  const auto image = bmp::decode(file);
  EXPECT_TRUE(image) << bmp::describe(image.error());
  return image ? decoded_rgb(*image) : Colours{};
}

Bytes rle8_file(int width, int height, const RleStream& stream) {
  return build_bmp({.width = width,
                    .height = height,
                    .bitCount = 8,
                    .compression = kBiRle8,
                    .palette = kPalette,
                    .colorsUsed = 5},
                   stream.bytes());
}

TEST(DecoderChoices, IndexBeyondThePaletteIsBlack) {
  const Bytes file =
      build_bmp({.width = 3, .height = 1, .bitCount = 8, .palette = {R, G}, .colorsUsed = 2},
                pack_rows(3, 1, 8, false, Colours{1, 2, 255}));
  EXPECT_EQ(decode_colours(file), (Colours{G, K, K}));
}

TEST(DecoderChoices, RleRunPastTheRightEdgeIsClippedNotWrapped) {
  RleStream s;
  s.run(200, 1).absolute8(Bytes{2, 3, 4, 2, 3}).end_of_line().absolute8(Bytes{3, 3, 3, 3, 3});
  EXPECT_EQ(decode_colours(rle8_file(3, 2, s)), (Colours{B, B, B,  //
                                                         R, R, R}));
}

TEST(DecoderChoices, RlePastTheLastRowIsIgnored) {
  RleStream s;
  s.run(2, 1).end_of_line().run(2, 2).end_of_line().run(2, 3).end_of_line().delta(200, 200).run(2,
                                                                                                4);
  EXPECT_EQ(decode_colours(rle8_file(2, 2, s)), (Colours{G, G,  //
                                                         R, R}));
}

TEST(DecoderChoices, RleDeltaAndEarlyEndOfLineLeaveIndexZero) {
  RleStream s;
  s.run(1, 1).end_of_line().delta(2, 0).run(1, 2).delta(0, 1).run(1, 4).end_of_bitmap();
  // Row 1 gets G at x = 2; the delta keeps x = 3 on row 2 for W.
  EXPECT_EQ(decode_colours(rle8_file(4, 3, s)), (Colours{K, K, K, W,  //
                                                         K, K, G, K,  //
                                                         R, K, K, K}));
}

TEST(DecoderChoices, RleStreamCutShortKeepsWhatItHas) {
  RleStream s;
  s.run(2, 1).end_of_line();
  Bytes stream = s.bytes();
  stream.insert(stream.end(), {0, 5, 2, 2});  // an absolute run of 5 cut after 2 bytes
  const Bytes file = build_bmp({.width = 2,
                                .height = 2,
                                .bitCount = 8,
                                .compression = kBiRle8,
                                .palette = kPalette,
                                .colorsUsed = 5},
                               stream);
  EXPECT_EQ(decode_colours(file), (Colours{K, K,  //
                                           R, R}));
}

TEST(DecoderChoices, Rle4OddRunsAlternateNibbles) {
  RleStream s;
  s.run(3, 0x12).absolute4(Bytes{3, 4, 1}).end_of_bitmap();
  const Bytes file = build_bmp({.width = 7,
                                .height = 1,
                                .bitCount = 4,
                                .compression = kBiRle4,
                                .palette = kPalette,
                                .colorsUsed = 5},
                               s.bytes());
  EXPECT_EQ(decode_colours(file), (Colours{R, G, R, B, W, R, K}));
}

TEST(DecoderChoices, WrongSizeImageIsIgnored) {
  const Colours pixels = {R, G, B, W, K, R};
  const Bytes rows = pack_rows(3, 2, 24, false, pixels);
  for (const std::uint32_t sizeImage : {1u, 7u, 0xFFFFFFFFu}) {
    EXPECT_EQ(decode_colours(build_bmp({.width = 3, .height = 2, .sizeImage = sizeImage}, rows)),
              pixels);
    RleStream s;
    s.run(2, 1).end_of_line().run(1, 2).end_of_bitmap();
    const Bytes rle = build_bmp({.width = 2,
                                 .height = 2,
                                 .bitCount = 8,
                                 .compression = kBiRle8,
                                 .palette = kPalette,
                                 .colorsUsed = 5,
                                 .sizeImage = sizeImage},
                                s.bytes());
    EXPECT_EQ(decode_colours(rle), (Colours{G, K, R, R}));
  }
}

TEST(DecoderChoices, LastRowMayLackItsPadding) {
  Bytes rows = pack_rows(1, 2, 24, false, Colours{R, B});
  rows.resize(rows.size() - 1);
  EXPECT_EQ(decode_colours(build_bmp({.width = 1, .height = 2}, rows)), (Colours{R, B}));
}

TEST(DecoderChoices, ZeroOffBitsMeansRightAfterTheColourTable) {
  const Bytes file = build_bmp(
      {.width = 2, .height = 1, .bitCount = 8, .palette = {R, G, B}, .colorsUsed = 3, .offBits = 0},
      pack_rows(2, 1, 8, false, Colours{2, 1}));
  EXPECT_EQ(decode_colours(file), (Colours{B, G}));
}

TEST(DecoderChoices, CoreColourTableEndsWhereThePixelsStart) {
  // Two 3-byte entries instead of 256: bfOffBits says so.
  const Bytes file =
      build_bmp({.headerSize = 12, .width = 3, .height = 1, .bitCount = 8, .palette = {R, G}},
                pack_rows(3, 1, 8, false, Colours{1, 0, 2}));
  EXPECT_EQ(decode_colours(file), (Colours{G, R, K}));
}

TEST(DecoderChoices, ExtraColourTableEntriesAreSkipped) {
  std::vector<std::uint32_t> palette(300, W);
  palette[1] = R;
  const Bytes file =
      build_bmp({.width = 2, .height = 1, .bitCount = 8, .palette = palette, .colorsUsed = 300},
                pack_rows(2, 1, 8, false, Colours{1, 255}));
  EXPECT_EQ(decode_colours(file), (Colours{R, W}));
}

}  // namespace
}  // namespace eveda::testing
