#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/gdi.h"
#include "tests/gdi/raster_support.h"

namespace {

using namespace gdi;
using eveda::testing::Dib;
using eveda::testing::Rgb24;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBrush = RGB(200, 100, 50);

COLORREF ColourOf(char c) {
  switch (c) {
    case 'W':
      return kWhite;
    case 'K':
      return kBlack;
    default:
      return kBrush;
  }
}

// Rows from the top; W white, K black (the pen), B the brush.
void ExpectPicture(const Dib& dib, const std::vector<std::string>& rows) {
  for (int y = 0; y < dib.height(); ++y)
    for (int x = 0; x < dib.width(); ++x)
      EXPECT_EQ(dib.Pixel(x, y), ColourOf(rows[y][x])) << "at " << x << "," << y;
}

BOOL DrawWithBrush(const Dib& dib, int l, int t, int r, int b) {
  const HBRUSH brush = CreateSolidBrush(kBrush);
  const HGDIOBJ previous = SelectObject(dib.dc(), brush);
  const BOOL result = Rectangle(dib.dc(), l, t, r, b);
  SelectObject(dib.dc(), previous);
  EXPECT_EQ(DeleteObject(brush), 1);
  return result;
}

TEST(Rectangle, OutlineFromMinusOneLiesOutsideTheCanvas) {
  for (const bool topDown : {false, true}) {
    Dib dib(Rgb24(5, topDown ? -4 : 4));
    ASSERT_TRUE(dib.ok());
    ASSERT_EQ(DrawWithBrush(dib, -1, -1, 5 + 2, 4 + 2), 1);
    ExpectPicture(dib, {"BBBBB", "BBBBB", "BBBBB", "BBBBB"});
  }
}

TEST(Rectangle, InnerRectangleHasBlackOutlineWithoutRightAndBottomEdges) {
  Dib dib(Rgb24(7, 6));
  dib.Fill(kWhite);
  ASSERT_EQ(DrawWithBrush(dib, 1, 1, 6, 5), 1);
  ExpectPicture(dib, {"WWWWWWW", "WKKKKKW", "WKBBBKW", "WKBBBKW", "WKKKKKW", "WWWWWWW"});
}

TEST(Rectangle, SwappedCornersArePutInOrder) {
  Dib dib(Rgb24(7, 6));
  dib.Fill(kWhite);
  ASSERT_EQ(DrawWithBrush(dib, 6, 5, 1, 1), 1);
  ExpectPicture(dib, {"WWWWWWW", "WKKKKKW", "WKBBBKW", "WKBBBKW", "WKKKKKW", "WWWWWWW"});
}

TEST(Rectangle, ThinAndEmptyRectangles) {
  Dib dib(Rgb24(4, 3));
  dib.Fill(kWhite);
  ASSERT_EQ(DrawWithBrush(dib, 1, 0, 1, 3), 1);  // no width: nothing
  ASSERT_EQ(DrawWithBrush(dib, 0, 0, 2, 2), 1);  // 2 x 2: outline only
  ASSERT_EQ(DrawWithBrush(dib, 3, 0, 4, 3), 1);  // 1 wide: a line
  ExpectPicture(dib, {"KKWK", "KKWK", "WWWK"});
}

TEST(Rectangle, PartlyOutsideIsClipped) {
  Dib dib(Rgb24(4, 4));
  dib.Fill(kWhite);
  ASSERT_EQ(DrawWithBrush(dib, 2, -3, 9, 3), 1);
  ExpectPicture(dib, {"WWKB", "WWKB", "WWKK", "WWWW"});
  ASSERT_EQ(DrawWithBrush(dib, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), 1);
  ExpectPicture(dib, {"BBBB", "BBBB", "BBBB", "BBBB"});
}

TEST(Rectangle, PalettedCanvasTakesTheNearestEntries) {
  eveda::testing::DibOptions options;
  options.width = 9;  // a 1-bit row of 9 pixels spans two bytes
  options.height = 3;
  options.bitCount = 1;
  options.colours = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  Dib dib(options);
  ASSERT_TRUE(dib.ok());
  const HBRUSH brush = CreateSolidBrush(RGB(250, 240, 230));  // nearest: white
  const HGDIOBJ previous = SelectObject(dib.dc(), brush);
  ASSERT_EQ(Rectangle(dib.dc(), -1, -1, 10, 4), 1);
  EXPECT_EQ(dib.row(0)[0], 0xFF);
  EXPECT_EQ(dib.row(0)[1], 0x80);
  ASSERT_EQ(Rectangle(dib.dc(), 6, 0, 9, 3), 1);  // outline black, 1 pixel of brush at (7,1)
  EXPECT_EQ(dib.row(0)[0], 0xFC);
  EXPECT_EQ(dib.row(0)[1], 0x00);
  EXPECT_EQ(dib.row(1)[0], 0xFD);
  EXPECT_EQ(dib.row(1)[1], 0x00);
  SelectObject(dib.dc(), previous);
  DeleteObject(brush);
}

TEST(Rectangle, NewContextFillsWithTheWhiteStockBrush) {
  Dib dib(Rgb24(3, 3));
  ASSERT_EQ(Rectangle(dib.dc(), -1, -1, 5, 5), 1);
  EXPECT_EQ(dib.Pixel(1, 1), kWhite);
}

}  // namespace
