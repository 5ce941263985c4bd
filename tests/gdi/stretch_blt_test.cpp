#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/gdi.h"
#include "tests/gdi/raster_support.h"

namespace {

using namespace gdi;
using eveda::testing::Dib;
using eveda::testing::Rgb24;

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A colour with one bit cleared per pixel index, so an AND shows which pixels were merged.
COLORREF Marked(int i) {
  const BYTE byte = static_cast<BYTE>(0xFF ^ (1 << (i % 8)));
  return RGB(byte, i < 8 ? 0xFF : byte, 0x0F);
}

COLORREF And(std::initializer_list<int> indexes) {
  COLORREF colour = 0xFFFFFF;
  for (int i : indexes) colour &= Marked(i);
  return colour;
}

// Stretches a one-row source of `sourceWidth` marked pixels across `width` pixels.
std::vector<COLORREF> StretchRow(int sourceWidth, int width) {
  Dib source(Rgb24(sourceWidth, 1));
  for (int x = 0; x < sourceWidth; ++x) source.SetPixel(x, 0, Marked(x));
  Dib destination(Rgb24(width, 1));
  EXPECT_EQ(
      StretchBlt(destination.dc(), 0, 0, width, 1, source.dc(), 0, 0, sourceWidth, 1, SRCCOPY), 1);
  std::vector<COLORREF> row;
  for (int x = 0; x < width; ++x) row.push_back(destination.Pixel(x, 0));
  return row;
}

TEST(StretchBlt, HalvingMergesPairsByAnd) {
  EXPECT_EQ(StretchRow(6, 3), (std::vector<COLORREF>{And({0, 1}), And({2, 3}), And({4, 5})}));
}

TEST(StretchBlt, DoublingRepeatsEachPixel) {
  EXPECT_EQ(StretchRow(3, 6), (std::vector<COLORREF>{Marked(0), Marked(0), Marked(1), Marked(1),
                                                     Marked(2), Marked(2)}));
}

// 5 onto 3: lo = 0, 1, 3 and hi = 0, 2, 4. 3 onto 5: floor(d * 3 / 5) = 0, 0, 1, 1, 2.
TEST(StretchBlt, NonIntegerRatiosFollowTheFloorMapping) {
  EXPECT_EQ(StretchRow(5, 3), (std::vector<COLORREF>{And({0}), And({1, 2}), And({3, 4})}));
  EXPECT_EQ(StretchRow(3, 5),
            (std::vector<COLORREF>{Marked(0), Marked(0), Marked(1), Marked(1), Marked(2)}));
  EXPECT_EQ(StretchRow(10, 4),
            (std::vector<COLORREF>{And({0, 1}), And({2, 3, 4}), And({5, 6}), And({7, 8, 9})}));
  EXPECT_EQ(StretchRow(4, 4), (std::vector<COLORREF>{Marked(0), Marked(1), Marked(2), Marked(3)}));
}

TEST(StretchBlt, TwoByTwoShrinkMergesAllFourPixels) {
  Dib source(Rgb24(4, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) source.SetPixel(x, y, Marked(y * 4 + x));
  Dib destination(Rgb24(2, 1));
  ASSERT_EQ(StretchBlt(destination.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 4, 2, SRCCOPY), 1);
  EXPECT_EQ(destination.Pixel(0, 0), And({0, 1, 4, 5}));
  EXPECT_EQ(destination.Pixel(1, 0), And({2, 3, 6, 7}));
}

TEST(StretchBlt, ShrinkOneAxisEnlargeTheOther) {
  Dib source(Rgb24(4, 2));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) source.SetPixel(x, y, Marked(y * 4 + x));
  Dib destination(Rgb24(2, 4));
  ASSERT_EQ(StretchBlt(destination.dc(), 0, 0, 2, 4, source.dc(), 0, 0, 4, 2, SRCCOPY), 1);
  const COLORREF expected[4][2] = {{And({0, 1}), And({2, 3})},
                                   {And({0, 1}), And({2, 3})},
                                   {And({4, 5}), And({6, 7})},
                                   {And({4, 5}), And({6, 7})}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(destination.Pixel(x, y), expected[y][x]);
}

TEST(StretchBlt, ClipsToBothBitmaps) {
  Dib source(Rgb24(4, 1));
  for (int x = 0; x < 4; ++x) source.SetPixel(x, 0, Marked(x));
  Dib destination(Rgb24(4, 1));
  destination.Fill(kWhite);
  // Onto x = -2 .. 5 (8 pixels, doubling): only destination columns 0 .. 3 are drawn.
  ASSERT_EQ(StretchBlt(destination.dc(), -2, 0, 8, 1, source.dc(), 0, 0, 4, 1, SRCCOPY), 1);
  EXPECT_EQ(destination.Pixel(0, 0), Marked(1));
  EXPECT_EQ(destination.Pixel(1, 0), Marked(1));
  EXPECT_EQ(destination.Pixel(2, 0), Marked(2));
  EXPECT_EQ(destination.Pixel(3, 0), Marked(2));

  // Source columns 2 .. 7 halved onto 3 pixels: 6 and 7 lie outside, so the last pixel
  // has nothing to merge and stays as it was.
  destination.Fill(kWhite);
  ASSERT_EQ(StretchBlt(destination.dc(), 0, 0, 3, 1, source.dc(), 2, 0, 6, 1, SRCCOPY), 1);
  EXPECT_EQ(destination.Pixel(0, 0), And({2, 3}));
  EXPECT_EQ(destination.Pixel(1, 0), kWhite);
  EXPECT_EQ(destination.Pixel(2, 0), kWhite);

  // Source columns -1 .. 2 halved: the first pixel merges only column 0.
  destination.Fill(kWhite);
  ASSERT_EQ(StretchBlt(destination.dc(), 0, 0, 2, 1, source.dc(), -1, 0, 4, 1, SRCCOPY), 1);
  EXPECT_EQ(destination.Pixel(0, 0), Marked(0));
  EXPECT_EQ(destination.Pixel(1, 0), And({1, 2}));
}

TEST(StretchBlt, RefusesEmptyAndNegativeExtentsAndOtherOperations) {
  Dib source(Rgb24(2, 2));
  Dib destination(Rgb24(2, 2));
  const HDC d = destination.dc(), s = source.dc();
  EXPECT_EQ(StretchBlt(d, 0, 0, 0, 2, s, 0, 0, 2, 2, SRCCOPY), 0);
  EXPECT_EQ(StretchBlt(d, 0, 0, 2, -2, s, 0, 0, 2, 2, SRCCOPY), 0);
  EXPECT_EQ(StretchBlt(d, 0, 0, 2, 2, s, 0, 0, -2, 2, SRCCOPY), 0);
  EXPECT_EQ(StretchBlt(d, 0, 0, 2, 2, s, 0, 0, 2, 0, SRCCOPY), 0);
  EXPECT_EQ(StretchBlt(d, 0, 0, 2, 2, s, 0, 0, 2, 2, 0x00EE0086), 0);
  EXPECT_EQ(StretchBlt(d, 0, 0, INT32_MAX, INT32_MAX, s, 0, 0, INT32_MAX, INT32_MAX, SRCCOPY), 1);
}

TEST(StretchBlt, PalettedSourceMergesItsColoursNotItsIndexes) {
  eveda::testing::DibOptions options;
  options.width = 2;
  options.bitCount = 8;
  options.colours = {{0, 0, 0, 0}, {0xF0, 0x0F, 0xFF, 0}, {0x3C, 0xFF, 0x0F, 0}};
  Dib source(options);
  source.row(0)[0] = 1;
  source.row(0)[1] = 2;  // index 1 & 2 would be black; the colours AND to (0x0F,0x0F,0x30)
  Dib destination(Rgb24(1, 1));
  ASSERT_EQ(StretchBlt(destination.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 2, 1, SRCCOPY), 1);
  EXPECT_EQ(destination.Pixel(0, 0), RGB(0x0F, 0x0F, 0x30));
}

TEST(StretchBlt, WithinOneBitmapReadsTheOriginalPixels) {
  Dib dib(Rgb24(4, 1));
  for (int x = 0; x < 4; ++x) dib.SetPixel(x, 0, Marked(x));
  ASSERT_EQ(StretchBlt(dib.dc(), 0, 0, 4, 1, dib.dc(), 0, 0, 2, 1, SRCCOPY), 1);
  EXPECT_EQ(dib.Pixel(0, 0), Marked(0));
  EXPECT_EQ(dib.Pixel(1, 0), Marked(0));
  EXPECT_EQ(dib.Pixel(2, 0), Marked(1));
  EXPECT_EQ(dib.Pixel(3, 0), Marked(1));
}

}  // namespace
