#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"
#include "tests/gdi/raster_support.h"

namespace {

using namespace gdi;
using eveda::testing::Dib;
using eveda::testing::DibOptions;
using eveda::testing::Rgb24;

constexpr COLORREF kWhite = RGB(255, 255, 255);

COLORREF SourceColour(int x, int y) { return RGB(x * 10 + 1, y * 10 + 1, 7); }

struct ClipCase {
  const char* what;
  int x, y, cx, cy, xs, ys;
};

// The source is 4 x 3, the destination 5 x 4.
TEST(BitBlt, ClipsAtEveryEdgeOfBothBitmaps) {
  const ClipCase cases[] = {
      {"inside", 1, 1, 2, 2, 1, 0},
      {"whole source", 0, 0, 4, 3, 0, 0},
      {"negative destination origin", -2, -1, 4, 3, 0, 0},
      {"negative source origin", 1, 1, 4, 3, -2, -1},
      {"both negative", -1, -1, 5, 5, -1, -2},
      {"oversized", 0, 0, 1000, 1000, 0, 0},
      {"past the source's far edge", 0, 0, 3, 3, 2, 1},
      {"past the destination's far edge", 3, 2, 4, 3, 0, 0},
      {"entirely left of the destination", -10, 0, 4, 3, 0, 0},
      {"entirely outside the source", 0, 0, 4, 3, 4, 0},
      {"zero size", 0, 0, 0, 3, 0, 0},
      {"negative size", 2, 2, -2, -2, 0, 0},
      {"extreme origins", INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN},
  };
  Dib source(Rgb24(4, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) source.SetPixel(x, y, SourceColour(x, y));
  for (const ClipCase& c : cases) {
    SCOPED_TRACE(c.what);
    Dib destination(Rgb24(5, 4));
    destination.Fill(kWhite);
    ASSERT_EQ(BitBlt(destination.dc(), c.x, c.y, c.cx, c.cy, source.dc(), c.xs, c.ys, SRCCOPY), 1);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 5; ++x) {
        const std::int64_t sx = std::int64_t{c.xs} + x - c.x, sy = std::int64_t{c.ys} + y - c.y;
        const bool copied = x >= c.x && x < std::int64_t{c.x} + c.cx && y >= c.y &&
                            y < std::int64_t{c.y} + c.cy && sx >= 0 && sx < 4 && sy >= 0 && sy < 3;
        const COLORREF expected =
            copied ? SourceColour(static_cast<int>(sx), static_cast<int>(sy)) : kWhite;
        EXPECT_EQ(destination.Pixel(x, y), expected) << "at " << x << "," << y;
      }
    }
  }
}

TEST(BitBlt, OnlySourceCopyIsSupported) {
  Dib a(Rgb24(2, 2)), b(Rgb24(2, 2));
  EXPECT_EQ(BitBlt(a.dc(), 0, 0, 2, 2, b.dc(), 0, 0, 0x00EE0086 /* SRCPAINT */), 0);
}

struct DepthCase {
  const char* what;
  DibOptions options;              // a one-row source
  std::vector<std::uint8_t> row;   // its pixel bytes
  int xs;                          // first source column copied
  std::vector<COLORREF> expected;  // the copied pixels, from xs on
};

DibOptions Depth(int width, int bitCount, std::vector<RGBQUAD> colours = {},
                 DWORD compression = BI_RGB, DWORD r = 0, DWORD g = 0, DWORD b = 0) {
  DibOptions options;
  options.width = width;
  options.bitCount = bitCount;
  options.colours = std::move(colours);
  options.compression = compression;
  options.masks[0] = r;
  options.masks[1] = g;
  options.masks[2] = b;
  return options;
}

std::vector<RGBQUAD> Ramp(int count) {
  std::vector<RGBQUAD> colours;
  for (int i = 0; i < count; ++i)
    colours.push_back(
        RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), 0});
  return colours;
}

COLORREF RampColour(int i) { return RGB(i * 3 % 256, 255 - i, i); }

std::vector<DepthCase> DepthCases() {
  const RGBQUAD dark{30, 20, 10, 0}, light{220, 210, 200, 0};
  const COLORREF D = RGB(10, 20, 30), L = RGB(200, 210, 220);
  return {
      {"1 bit", Depth(10, 1, {dark, light}), {0xB1, 0x80}, 0, {L, D, L, L, D, D, D, L, L, D}},
      {"1 bit from an odd column",
       Depth(10, 1, {dark, light}),
       {0xB1, 0x80},
       3,
       {L, D, D, D, L, L, D}},
      {"4 bits",
       Depth(5, 4, Ramp(16)),
       {0x01, 0x2F, 0xE0},
       0,
       {RampColour(0), RampColour(1), RampColour(2), RampColour(15), RampColour(14)}},
      {"4 bits from an odd column",
       Depth(5, 4, Ramp(16)),
       {0x01, 0x2F, 0xE0},
       1,
       {RampColour(1), RampColour(2), RampColour(15), RampColour(14)}},
      {"8 bits",
       Depth(4, 8, Ramp(256)),
       {0, 1, 128, 255},
       0,
       {RampColour(0), RampColour(1), RampColour(128), RampColour(255)}},
      {"8 bits past the used entries are black",
       Depth(3, 8, Ramp(2)),
       {1, 2, 200},
       0,
       {RampColour(1), RGB(0, 0, 0), RGB(0, 0, 0)}},
      // 5-5-5: r 1, g 16, b 30 widen to 8, 132, 247; 0x7FFF is white.
      {"16 bits 5-5-5",
       Depth(3, 16),
       {0x1E, 0x06, 0xFF, 0x7F, 0x00, 0x7C},
       0,
       {RGB(8, 132, 247), RGB(255, 255, 255), RGB(255, 0, 0)}},
      // 5-6-5: g 1 widens to 4, g 32 to 130, g 63 to 255.
      {"16 bits 5-6-5",
       Depth(3, 16, {}, BI_BITFIELDS, 0xF800, 0x07E0, 0x001F),
       {0x20, 0xF8, 0x00, 0x04, 0xE0, 0x07},
       0,
       {RGB(255, 4, 0), RGB(0, 130, 0), RGB(0, 255, 0)}},
      // 4-4-4 in the low bits, 0xF000 unused.
      {"16 bits 4-4-4",
       Depth(2, 16, {}, BI_BITFIELDS, 0x0F00, 0x00F0, 0x000F),
       {0x5A, 0xF1, 0x00, 0x00},
       0,
       {RGB(0x11, 0x55, 0xAA), RGB(0, 0, 0)}},
      {"24 bits", Depth(2, 24), {1, 2, 3, 4, 5, 6}, 0, {RGB(3, 2, 1), RGB(6, 5, 4)}},
      {"32 bits ignore the fourth byte",
       Depth(2, 32),
       {1, 2, 3, 99, 4, 5, 6, 255},
       0,
       {RGB(3, 2, 1), RGB(6, 5, 4)}},
      // 10-10-10: the top 8 bits of each field.
      {"32 bits 10-10-10",
       Depth(1, 32, {}, BI_BITFIELDS, 0x3FF00000, 0x000FFC00, 0x000003FF),
       {0xFF, 0x23, 0x00, 0x20},
       0,
       {RGB(0x80, 0x02, 0xFF)}},
      // R in the low byte, B in the third.
      {"32 bits swapped",
       Depth(1, 32, {}, BI_BITFIELDS, 0x000000FF, 0x0000FF00, 0x00FF0000),
       {1, 2, 3, 4},
       0,
       {RGB(1, 2, 3)}},
  };
}

TEST(BitBlt, ConvertsEveryDepthTo24BitsExactly) {
  for (const DepthCase& c : DepthCases()) {
    SCOPED_TRACE(c.what);
    Dib source(c.options);
    ASSERT_TRUE(source.ok());
    std::memcpy(source.row(0), c.row.data(), c.row.size());
    const int count = static_cast<int>(c.expected.size());
    Dib destination(Rgb24(count + 1, 1));
    destination.Fill(kWhite);
    ASSERT_EQ(BitBlt(destination.dc(), 0, 0, 100, 1, source.dc(), c.xs, 0, SRCCOPY), 1);
    for (int x = 0; x < count; ++x) EXPECT_EQ(destination.Pixel(x, 0), c.expected[x]) << "at " << x;
    EXPECT_EQ(destination.Pixel(count, 0), kWhite);
  }
}

TEST(BitBlt, BottomUpAndTopDownRowsKeepTheImageUpright) {
  const COLORREF top = RGB(1, 1, 1), middle = RGB(2, 2, 2), bottom = RGB(3, 3, 3);
  for (const bool sourceTopDown : {false, true}) {
    for (const bool destinationTopDown : {false, true}) {
      SCOPED_TRACE(testing::Message() << sourceTopDown << destinationTopDown);
      Dib source(Rgb24(1, sourceTopDown ? -3 : 3));
      Dib destination(Rgb24(1, destinationTopDown ? -3 : 3));
      // Memory rows written by hand: a bottom-up image stores its bottom row first.
      std::uint8_t* memory = source.row(sourceTopDown ? 0 : 2);
      const COLORREF order[3] = {top, middle, bottom};
      for (int i = 0; i < 3; ++i) {
        const COLORREF colour = sourceTopDown ? order[i] : order[2 - i];
        std::memset(memory + i * 4, GetRValue(colour), 3);
      }
      ASSERT_EQ(BitBlt(destination.dc(), 0, 0, 1, 2, source.dc(), 0, 1, SRCCOPY), 1);
      const std::uint8_t* out = destination.row(destinationTopDown ? 0 : 2);
      const int topRow = destinationTopDown ? 0 : 2, nextRow = destinationTopDown ? 1 : 1;
      EXPECT_EQ(out[topRow * 4], 2);  // image row 0 took source row 1
      EXPECT_EQ(out[nextRow * 4], 3);
      EXPECT_EQ(out[(destinationTopDown ? 2 : 0) * 4], 0);
    }
  }
}

TEST(BitBlt, PalettedDestinationTakesExactThenNearestEntries) {
  DibOptions options;
  options.width = 6;
  options.bitCount = 8;
  options.colours = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 128, 0, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}};
  Dib destination(options);
  Dib source(Rgb24(6, 1));
  const COLORREF pixels[6] = {RGB(255, 0, 0), RGB(250, 10, 10), RGB(0, 100, 0),
                              RGB(0, 64, 0),  RGB(0, 0, 200),   RGB(255, 255, 255)};
  for (int x = 0; x < 6; ++x) source.SetPixel(x, 0, pixels[x]);
  ASSERT_EQ(BitBlt(destination.dc(), 0, 0, 6, 1, source.dc(), 0, 0, SRCCOPY), 1);
  // Exact red is entry 1, not its duplicate 4; (0,64,0) is as far from black as from green,
  // and white as far from red as from blue: the first entry wins.
  const std::uint8_t expected[6] = {1, 1, 2, 0, 3, 1};
  EXPECT_EQ(std::vector<std::uint8_t>(destination.row(0), destination.row(0) + 6),
            std::vector<std::uint8_t>(expected, expected + 6));
}

TEST(BitBlt, MaskedAndSubByteDestinations) {
  Dib source(Rgb24(3, 1));
  source.SetPixel(0, 0, RGB(255, 128, 7));
  source.SetPixel(1, 0, RGB(8, 4, 255));
  source.SetPixel(2, 0, RGB(0, 0, 0));

  Dib rgb565(Depth(3, 16, {}, BI_BITFIELDS, 0xF800, 0x07E0, 0x001F));
  ASSERT_EQ(BitBlt(rgb565.dc(), 0, 0, 3, 1, source.dc(), 0, 0, SRCCOPY), 1);
  const std::uint8_t expected565[6] = {0x00, 0xFC, 0x3F, 0x08, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(rgb565.row(0), expected565, 6), 0);

  Dib bgrx(Depth(3, 32));
  std::memset(bgrx.row(0), 0xEE, 12);
  ASSERT_EQ(BitBlt(bgrx.dc(), 0, 0, 3, 1, source.dc(), 0, 0, SRCCOPY), 1);
  const std::uint8_t expected32[12] = {7, 128, 255, 0, 255, 4, 8, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bgrx.row(0), expected32, 12), 0);

  Dib mono(Depth(5, 1, {{0, 0, 0, 0}, {255, 255, 255, 0}}));
  mono.row(0)[0] = 0xFF;
  ASSERT_EQ(BitBlt(mono.dc(), 1, 0, 3, 1, source.dc(), 0, 0, SRCCOPY), 1);
  EXPECT_EQ(mono.row(0)[0], 0xCF);  // 1 [1 0 0] 1 1 1 1: (8,4,255) is nearer black

  Dib nibbles(Depth(4, 4, Ramp(16)));
  source.SetPixel(0, 0, RampColour(9));
  ASSERT_EQ(BitBlt(nibbles.dc(), 1, 0, 1, 1, source.dc(), 0, 0, SRCCOPY), 1);
  EXPECT_EQ(nibbles.row(0)[0], 0x09);
}

TEST(BitBlt, OverlappingCopyWithinOneBitmap) {
  Dib dib(Rgb24(3, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x) dib.SetPixel(x, y, SourceColour(x, y));
  ASSERT_EQ(BitBlt(dib.dc(), 1, 1, 2, 3, dib.dc(), 0, 0, SRCCOPY), 1);
  EXPECT_EQ(dib.Pixel(1, 1), SourceColour(0, 0));
  EXPECT_EQ(dib.Pixel(2, 3), SourceColour(1, 2));
  EXPECT_EQ(dib.Pixel(1, 3), SourceColour(0, 2));
  ASSERT_EQ(BitBlt(dib.dc(), 0, 0, 3, 3, dib.dc(), 0, 1, SRCCOPY), 1);  // and back up
  EXPECT_EQ(dib.Pixel(1, 0), SourceColour(0, 0));
  EXPECT_EQ(dib.Pixel(1, 2), SourceColour(0, 2));
}

}  // namespace
