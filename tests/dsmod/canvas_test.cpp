#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "dsmod/canvas_layout.h"
#include "dsmod/dsmod.h"
#include "formats/bmp/bmp.h"
#include "platform/gdi/object_table.h"
#include "tests/dsmod/dsmod_support.h"

namespace {

using DSMod::Canvas;
using DSMod::CanvasError;
using DSMod::CreateCanvas;
using DSMod::ReleaseCanvas;

std::size_t Live() { return gdi::detail::ObjectTable::Instance().LiveCount(); }

std::vector<gdi::RGBQUAD> Ramp(int count) {
  std::vector<gdi::RGBQUAD> colours;
  for (int i = 0; i < count; ++i)
    colours.push_back({static_cast<gdi::BYTE>(i), static_cast<gdi::BYTE>(i / 2),
                       static_cast<gdi::BYTE>(255 - i), 0});
  return colours;
}

struct ShapeCase {
  int bitCount, width, height, stride;
};

TEST(CreateCanvas, FieldsStrideAndZeroedBuffer) {
  const ShapeCase cases[] = {{24, 101, 2, 304}, {24, 1, 1, 4}, {24, 3, 5, 12}, {24, 100, 1, 300},
                             {1, 32, 2, 4},     {1, 33, 2, 8}, {4, 9, 1, 8},   {8, 5, 3, 8},
                             {16, 3, 2, 8},     {32, 3, 2, 12}};
  const std::vector<gdi::RGBQUAD> palette = Ramp(256);
  for (const ShapeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bitCount << " bits, " << c.width << " x " << c.height);
    const std::size_t before = Live();
    auto created = CreateCanvas(gdi::HDC{}, c.bitCount, c.width, c.height,
                                c.bitCount <= 8 ? std::span(palette) : std::span<gdi::RGBQUAD>());
    ASSERT_TRUE(created);
    Canvas& canvas = *created;
    EXPECT_TRUE(canvas.hDC);
    EXPECT_TRUE(canvas.hBitmap);
    EXPECT_TRUE(canvas.hOldBitmap);
    EXPECT_NE(canvas.pBits, nullptr);
    EXPECT_EQ(canvas.BitCount, c.bitCount);
    EXPECT_EQ(canvas.Width, c.width);
    EXPECT_EQ(canvas.Height, c.height);
    EXPECT_EQ(canvas.Stride, c.stride);
    const auto* pixels = static_cast<const std::uint8_t*>(canvas.pBits);
    const std::vector<std::uint8_t> memory(pixels, pixels + std::size_t(c.stride) * c.height);
    EXPECT_EQ(memory, std::vector<std::uint8_t>(memory.size(), 0));
    EXPECT_TRUE(canvas.Blank);
    gdi::BITMAP section;
    ASSERT_NE(gdi::GetObjectA(canvas.hBitmap, 24, &section), 0);
    EXPECT_EQ(section.bmWidthBytes, c.stride);
    EXPECT_EQ(section.bmBits, canvas.pBits);
    ReleaseCanvas(canvas);
    EXPECT_EQ(Live(), before);
  }
}

TEST(CreateCanvas, IsCompatibleWithAGivenContext) {
  const gdi::HDC window = gdi::CreateCompatibleDC(gdi::HDC{});
  auto canvas = CreateCanvas(window, 24, 2, 2, {});
  ASSERT_TRUE(canvas);
  ReleaseCanvas(*canvas);
  gdi::DeleteDC(window);
  EXPECT_EQ(CreateCanvas(window, 24, 2, 2, {}).error(), CanvasError::OutOfMemory);  // stale
}

struct RefusalCase {
  const char* what;
  int bitCount, width, height, paletteEntries;
  CanvasError error;
};

TEST(CreateCanvas, RefusesAndLeavesNothingBehind) {
  const RefusalCase cases[] = {
      {"zero width", 24, 0, 5, 0, CanvasError::BadSize},
      {"zero height", 24, 5, 0, 0, CanvasError::BadSize},
      {"negative width", 24, -1, 5, 0, CanvasError::BadSize},
      {"negative height", 24, 5, -3, 0, CanvasError::BadSize},
      {"2 bits", 2, 5, 5, 4, CanvasError::BadSize},
      {"0 bits", 0, 5, 5, 0, CanvasError::BadSize},
      {"beyond 16 bits", 65560, 5, 5, 0, CanvasError::BadSize},
      {"Width * BitCount", 24, INT32_MAX / 24 + 1, 1, 0, CanvasError::Overflow},
      {"Width * BitCount at 32", 32, INT32_MAX, 1, 0, CanvasError::Overflow},
      {"Stride * Height", 24, 65536, 10923, 0, CanvasError::Overflow},
      {"Stride * Height at 1 bit", 1, INT32_MAX, 8, 2, CanvasError::Overflow},
      {"short 8-bit palette", 8, 2, 2, 255, CanvasError::BadPalette},
      {"short 4-bit palette", 4, 2, 2, 15, CanvasError::BadPalette},
      {"short 1-bit palette", 1, 2, 2, 1, CanvasError::BadPalette},
      {"no palette", 8, 2, 2, 0, CanvasError::BadPalette},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t before = Live();
    const std::vector<gdi::RGBQUAD> palette = Ramp(c.paletteEntries);
    const auto created = CreateCanvas(gdi::HDC{}, c.bitCount, c.width, c.height, palette);
    ASSERT_FALSE(created);
    EXPECT_EQ(created.error(), c.error);
    EXPECT_EQ(Live(), before);
  }
}

TEST(CreateCanvas, LargestStrideWithinRangeIsAccepted) {
  const auto layout = DSMod::detail::ComputeLayout(1, INT32_MAX, 1);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->Stride, 268435456);
  const auto justFits = DSMod::detail::ComputeLayout(24, 89478485, 7);  // 2,147,483,640 bits
  ASSERT_TRUE(justFits);
  EXPECT_EQ(justFits->Stride, 268435456);
  EXPECT_EQ(justFits->ImageBytes, 1879048192);
  EXPECT_EQ(DSMod::detail::ComputeLayout(24, 89478485, 8).error(), CanvasError::Overflow);
  EXPECT_EQ(DSMod::detail::ComputeLayout(24, 89478486, 1).error(), CanvasError::Overflow);
}

// What a saved canvas weighs, headers and colour table included, up to the largest file
// that can be written.
TEST(BmpFileBytes, CountsEveryByteOfTheFile) {
  struct Case {
    const char* what;
    int bitCount, width, height;
    std::int64_t bytes;
  };
  const Case cases[] = {
      {"one 24-bit pixel", 24, 1, 1, 54 + 4},
      {"padded rows", 24, 5, 3, 54 + 16 * 3},
      {"1-bit table", 1, 33, 2, 54 + 8 + 8 * 2},
      {"8-bit table", 8, 1, 1, 54 + 1024 + 4},
      {"largest writable file", 24, 715827864, 1, 2147483646},
      {"four bytes past it", 24, 715827865, 1, 2147483650},
      {"image within 32 bits, file not", 24, 342665, 2089, 2147483698},
      {"beyond 64 bits", 32, INT32_MAX, INT32_MAX, INT64_MAX},
      {"zero width", 24, 0, 1, 0},
      {"zero height", 24, 1, 0, 0},
      {"no such depth", 2, 1, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(formats::BmpFileBytes(c.bitCount, c.width, c.height), c.bytes);
  }
}

TEST(CreateCanvas, PaletteFillsTheColourTable) {
  const std::vector<gdi::RGBQUAD> palette = Ramp(300);
  for (const int bitCount : {1, 4, 8}) {
    SCOPED_TRACE(bitCount);
    auto canvas = CreateCanvas(gdi::HDC{}, bitCount, 3, 3, palette);
    ASSERT_TRUE(canvas);
    std::vector<gdi::RGBQUAD> table(256);
    const gdi::UINT entries = 1u << bitCount;
    EXPECT_EQ(gdi::GetDIBColorTable(canvas->hDC, 0, 256, table.data()), entries);
    for (gdi::UINT i = 0; i < entries; ++i) {
      EXPECT_EQ(table[i].rgbBlue, palette[i].rgbBlue);
      EXPECT_EQ(table[i].rgbGreen, palette[i].rgbGreen);
      EXPECT_EQ(table[i].rgbRed, palette[i].rgbRed);
    }
    ReleaseCanvas(*canvas);
  }
}

TEST(CreateCanvas, CreationHeader) {
  const std::vector<gdi::RGBQUAD> palette = Ramp(20);
  const auto layout = DSMod::detail::ComputeLayout(4, 101, 2);
  ASSERT_TRUE(layout);
  const gdi::BITMAPINFO info = DSMod::detail::MakeCreationHeader(4, 101, 2, *layout, palette);
  EXPECT_EQ(info.bmiHeader.biSize, 40u);
  EXPECT_EQ(info.bmiHeader.biWidth, 101);
  EXPECT_EQ(info.bmiHeader.biHeight, 2);
  EXPECT_EQ(info.bmiHeader.biPlanes, 1);
  EXPECT_EQ(info.bmiHeader.biBitCount, 4);
  EXPECT_EQ(info.bmiHeader.biCompression, 0u);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 104u);  // 2 rows of 52 bytes
  EXPECT_EQ(info.bmiHeader.biClrUsed, 0u);
  EXPECT_EQ(info.bmiColors[15].rgbRed, palette[15].rgbRed);
  EXPECT_EQ(info.bmiColors[16].rgbRed, 0);  // only 2^4 entries are taken

  const auto rgb = DSMod::detail::ComputeLayout(24, 101, 2);
  const gdi::BITMAPINFO info24 = DSMod::detail::MakeCreationHeader(24, 101, 2, *rgb, palette);
  EXPECT_EQ(info24.bmiHeader.biSizeImage, 608u);
  EXPECT_EQ(info24.bmiColors[0].rgbRed, 0);  // the palette is not read above 8 bits
}

// A canvas owns its handles: moved, released or destroyed, they are freed exactly once, and a
// released record never reads pixel memory again.
TEST(ReleaseCanvas, FreesTheHandlesOnceWhoeverHoldsThem) {
  const std::size_t before = Live();
  auto created = CreateCanvas(gdi::HDC{}, 24, 101, 2, {});
  ASSERT_TRUE(created);
  Canvas canvas = std::move(*created);
  const auto bits = eveda::testing::CanvasBits(canvas);
  ASSERT_TRUE(bits);
  EXPECT_EQ(bits->size(), 608u);
  const gdi::HBITMAP section = canvas.hBitmap;
  ReleaseCanvas(canvas);
  EXPECT_EQ(Live(), before);
  EXPECT_FALSE(canvas.hDC);
  EXPECT_EQ(canvas.pBits, nullptr);
  EXPECT_EQ(canvas.Stride, 304);
  gdi::BITMAP record;
  EXPECT_EQ(gdi::GetObjectA(section, 24, &record), 0);
  EXPECT_FALSE(eveda::testing::CanvasBits(canvas));  // the pixel memory is gone: never read
  ReleaseCanvas(canvas);                             // a second release touches nothing
  {
    auto scoped = CreateCanvas(gdi::HDC{}, 8, 5, 5, std::vector<gdi::RGBQUAD>(256));
    ASSERT_TRUE(scoped);
    EXPECT_GT(Live(), before);
  }
  EXPECT_EQ(Live(), before);
}

}  // namespace
