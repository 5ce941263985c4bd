#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <iterator>
#include <random>
#include <set>

#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"
#include "tests/gdi/raster_support.h"

namespace {

using namespace gdi;
using eveda::testing::DibOptions;
using eveda::testing::MakeInfo;

struct StrideCase {
  int width, bitCount, stride;
};

TEST(CreateDIBSection, StrideIsRowBitsRoundedUpToWords) {
  const StrideCase cases[] = {{1, 1, 4},      {32, 1, 4},     {33, 1, 8}, {1, 4, 4},
                              {8, 4, 4},      {9, 4, 8},      {1, 8, 4},  {5, 8, 8},
                              {1, 16, 4},     {3, 16, 8},     {1, 24, 4}, {3, 24, 12},
                              {100, 24, 300}, {101, 24, 304}, {1, 32, 4}, {7, 32, 28}};
  for (const StrideCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.bitCount);
    DibOptions options;
    options.width = c.width;
    options.height = 3;
    options.bitCount = c.bitCount;
    const BITMAPINFO info = MakeInfo(options);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(HDC{}, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(bitmap);
    ASSERT_NE(bits, nullptr);
    BITMAP record;
    ASSERT_NE(GetObjectA(bitmap, 24, &record), 0);
    EXPECT_EQ(record.bmWidth, c.width);
    EXPECT_EQ(record.bmHeight, 3);
    EXPECT_EQ(record.bmWidthBytes, c.stride);
    EXPECT_EQ(record.bmPlanes, 1);
    EXPECT_EQ(record.bmBitsPixel, c.bitCount);
    EXPECT_EQ(record.bmBits, bits);
    const auto* bytes = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < c.stride * 3; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(DeleteObject(bitmap), 1);
  }
}

TEST(CreateDIBSection, TopDownHeightIsReportedAsMagnitude) {
  DibOptions options;
  options.width = 2;
  options.height = -5;
  const BITMAPINFO info = MakeInfo(options);
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(HDC{}, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  BITMAP record;
  ASSERT_NE(GetObjectA(bitmap, 24, &record), 0);
  EXPECT_EQ(record.bmHeight, 5);
  EXPECT_EQ(GetObjectA(bitmap, 23, &record), 0);
  EXPECT_EQ(GetObjectA(bitmap, 24, nullptr), 0);
  DeleteObject(bitmap);
}

struct Refusal {
  const char* what;
  void (*change)(BITMAPINFO&);
};

void SetMasks(BITMAPINFO& info, WORD bitCount, DWORD r, DWORD g, DWORD b) {
  info.bmiHeader.biBitCount = bitCount;
  info.bmiHeader.biCompression = BI_BITFIELDS;
  const DWORD masks[3] = {r, g, b};
  std::memcpy(info.bmiColors, masks, sizeof masks);
}

TEST(CreateDIBSection, RefusesBadHeaders) {
  const Refusal refusals[] = {
      {"core header size", [](BITMAPINFO& i) { i.bmiHeader.biSize = 12; }},
      {"zero width", [](BITMAPINFO& i) { i.bmiHeader.biWidth = 0; }},
      {"negative width", [](BITMAPINFO& i) { i.bmiHeader.biWidth = -4; }},
      {"zero height", [](BITMAPINFO& i) { i.bmiHeader.biHeight = 0; }},
      {"lowest height", [](BITMAPINFO& i) { i.bmiHeader.biHeight = INT32_MIN; }},
      {"two planes", [](BITMAPINFO& i) { i.bmiHeader.biPlanes = 2; }},
      {"2 bits", [](BITMAPINFO& i) { i.bmiHeader.biBitCount = 2; }},
      {"0 bits", [](BITMAPINFO& i) { i.bmiHeader.biBitCount = 0; }},
      {"48 bits", [](BITMAPINFO& i) { i.bmiHeader.biBitCount = 48; }},
      {"RLE8",
       [](BITMAPINFO& i) {
         i.bmiHeader.biBitCount = 8;
         i.bmiHeader.biCompression = BI_RLE8;
       }},
      {"RLE4",
       [](BITMAPINFO& i) {
         i.bmiHeader.biBitCount = 4;
         i.bmiHeader.biCompression = BI_RLE4;
       }},
      {"bitfields at 24", [](BITMAPINFO& i) { SetMasks(i, 24, 0xFF0000, 0xFF00, 0xFF); }},
      {"bitfields at 8", [](BITMAPINFO& i) { SetMasks(i, 8, 0xE0, 0x1C, 0x03); }},
      {"zero mask", [](BITMAPINFO& i) { SetMasks(i, 16, 0xF800, 0, 0x1F); }},
      {"overlapping masks", [](BITMAPINFO& i) { SetMasks(i, 16, 0xF800, 0x0FE0, 0x1F); }},
      {"gap in a mask", [](BITMAPINFO& i) { SetMasks(i, 16, 0xF801, 0x07E0, 0x1E); }},
      {"mask beyond 16 bits", [](BITMAPINFO& i) { SetMasks(i, 16, 0x1F0000, 0x07E0, 0x1F); }},
      {"unknown compression", [](BITMAPINFO& i) { i.bmiHeader.biCompression = 9; }},
      {"row beyond 2^31",
       [](BITMAPINFO& i) {
         i.bmiHeader.biWidth = INT32_MAX;
         i.bmiHeader.biBitCount = 32;
       }},
      {"image beyond 2^31",
       [](BITMAPINFO& i) {
         i.bmiHeader.biWidth = 65536;  // stride 196,608
         i.bmiHeader.biHeight = 10923;
       }},
      {"top-down image beyond 2^31",
       [](BITMAPINFO& i) {
         i.bmiHeader.biWidth = 65536;
         i.bmiHeader.biHeight = -10923;
       }},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    BITMAPINFO info = MakeInfo(eveda::testing::Rgb24(4, 4));
    refusal.change(info);
    void* bits = &info;
    EXPECT_FALSE(CreateDIBSection(HDC{}, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(bits, nullptr);
  }
}

TEST(CreateDIBSection, RefusesBadArguments) {
  const BITMAPINFO info = MakeInfo(eveda::testing::Rgb24(4, 4));
  void* bits = nullptr;
  int mapping = 0;
  EXPECT_FALSE(CreateDIBSection(HDC{}, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0));
  EXPECT_FALSE(CreateDIBSection(HDC{}, &info, 1, &bits, nullptr, 0));
  EXPECT_FALSE(CreateDIBSection(HDC{}, &info, DIB_RGB_COLORS, &bits, &mapping, 0));
  EXPECT_FALSE(CreateDIBSection(HDC{}, &info, DIB_RGB_COLORS, &bits, nullptr, 4));
  const HDC dc = CreateCompatibleDC(HDC{});
  DeleteDC(dc);
  EXPECT_FALSE(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

TEST(GetDIBColorTable, ReportsTheEntriesOfThePalettedSection) {
  DibOptions options;
  options.width = 2;
  options.height = 2;
  options.bitCount = 8;
  options.colours = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  eveda::testing::Dib dib(options);
  ASSERT_TRUE(dib.ok());
  RGBQUAD colours[8] = {};
  EXPECT_EQ(GetDIBColorTable(dib.dc(), 0, 256, colours), 3u);  // biClrUsed entries
  EXPECT_EQ(colours[2].rgbBlue, 7);
  EXPECT_EQ(colours[2].rgbRed, 9);
  RGBQUAD tail[8] = {};
  EXPECT_EQ(GetDIBColorTable(dib.dc(), 1, 5, tail), 2u);
  EXPECT_EQ(tail[0].rgbGreen, 5);
  EXPECT_EQ(GetDIBColorTable(dib.dc(), 3, 5, tail), 0u);
  EXPECT_EQ(GetDIBColorTable(dib.dc(), 0, 2, nullptr), 0u);

  DibOptions four;
  four.bitCount = 4;
  eveda::testing::Dib sixteen(four);
  RGBQUAD all[256];
  EXPECT_EQ(GetDIBColorTable(sixteen.dc(), 0, 256, all), 16u);  // biClrUsed 0: 2^4

  eveda::testing::Dib rgb(eveda::testing::Rgb24(1, 1));
  EXPECT_EQ(GetDIBColorTable(rgb.dc(), 0, 256, all), 0u);
  const HDC plain = CreateCompatibleDC(HDC{});  // holds the stock bitmap, not a DIB section
  EXPECT_EQ(GetDIBColorTable(plain, 0, 256, all), 0u);
  DeleteDC(plain);
}

}  // namespace

namespace {

using namespace gdi;

RGBQUAD Quad(std::uint32_t value) {
  return RGBQUAD{BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

// Headers as a hostile file might describe them: whatever is accepted must then copy and
// scale in every direction without reading or writing outside its memory.
TEST(CreateDIBSection, RandomHeadersNeverBreakCopies) {
  const LONG widths[] = {-1, 0, 1, 2, 3, 7, 31, 33, 64};
  const LONG heights[] = {INT32_MIN, -5, -1, 0, 1, 2, 9};
  const WORD depths[] = {0, 1, 2, 4, 8, 15, 16, 24, 32, 33};
  const DWORD compressions[] = {BI_RGB,       BI_RGB,  BI_RGB,  BI_BITFIELDS,
                                BI_BITFIELDS, BI_RLE8, BI_RLE4, 0xFFFFFFFF};
  const DWORD used[] = {0, 1, 2, 16, 255, 256, 257, 0xFFFFFFFF};
  const std::array<DWORD, 3> masks[] = {
      {0x7C00, 0x3E0, 0x1F},         {0xF800, 0x7E0, 0x1F},    {0xF00, 0xF0, 0xF},
      {0xFF0000, 0xFF00, 0xFF},      {0xFF, 0xFF00, 0xFF0000}, {0x3FF00000, 0xFFC00, 0x3FF},
      {0x80000000, 0x1, 0x7FFFFFFE}, {0xF800, 0xFFE0, 0x1F},   {0, 0xFF00, 0xFF},
      {0xFFFFFFFF, 0xFF00, 0xFF},    {0x00F0F000, 0xF00, 0xF}};
  std::mt19937 random(2024);
  auto pick = [&](const auto& values) { return values[random() % std::size(values)]; };

  eveda::testing::Dib rgb(eveda::testing::Rgb24(40, 12));
  eveda::testing::DibOptions eight;
  eight.width = 40;
  eight.height = -12;
  eight.bitCount = 8;
  eight.colours = {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}};
  eveda::testing::Dib paletted(eight);
  const HDC dc = CreateCompatibleDC(HDC{});
  int accepted = 0;
  std::set<int> depthsSeen;
  for (int round = 0; round < 3000; ++round) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biWidth = pick(widths);
    info.bmiHeader.biHeight = pick(heights);
    info.bmiHeader.biBitCount = pick(depths);
    info.bmiHeader.biCompression = pick(compressions);
    info.bmiHeader.biClrUsed = pick(used);
    for (RGBQUAD& colour : info.bmiColors) colour = Quad(random());
    const std::array<DWORD, 3> triple = pick(masks);
    for (int i = 0; i < 3; ++i) info.bmiColors[i] = Quad(triple[i]);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) continue;
    ++accepted;
    depthsSeen.insert(info.bmiHeader.biBitCount);
    BITMAP record;
    ASSERT_NE(GetObjectA(bitmap, 24, &record), 0);
    auto* bytes = static_cast<std::uint8_t*>(bits);
    for (LONG i = 0; i < record.bmWidthBytes * record.bmHeight; ++i)
      bytes[i] = static_cast<std::uint8_t>(random());
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const int x = int(random() % 9) - 4, y = int(random() % 9) - 4;
    EXPECT_EQ(BitBlt(rgb.dc(), x, y, 50, 50, dc, y, x, SRCCOPY), 1);
    EXPECT_EQ(BitBlt(paletted.dc(), y, x, 50, 50, dc, x, y, SRCCOPY), 1);
    EXPECT_EQ(BitBlt(dc, x, y, 50, 50, rgb.dc(), 0, 0, SRCCOPY), 1);
    EXPECT_EQ(BitBlt(dc, x, y, 50, 50, paletted.dc(), 0, 0, SRCCOPY), 1);
    EXPECT_EQ(StretchBlt(rgb.dc(), x, y, 7, 30, dc, y, x, 13, 5, SRCCOPY), 1);
    EXPECT_EQ(StretchBlt(dc, x, y, 70, 3, paletted.dc(), y, x, 13, 25, SRCCOPY), 1);
    EXPECT_EQ(Rectangle(dc, x, y, 20, 20), 1);
    SelectObject(dc, old);
    EXPECT_EQ(DeleteObject(bitmap), 1);
  }
  EXPECT_GT(accepted, 300);
  EXPECT_EQ(depthsSeen, (std::set<int>{1, 4, 8, 16, 24, 32}));
  DeleteDC(dc);
}

}  // namespace
