#include "tests/support/bmp_catalogue.h"

#include "tests/support/bmp_builder.h"

namespace eveda::testing {
namespace {

using Values = std::vector<std::uint32_t>;

const Values kSixteen = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF,
                         0xFF00FF, 0xFFFFFF, 0x808080, 0x800000, 0x008000, 0x000080,
                         0x808000, 0x008080, 0x800080, 0xC0C0C0};

Values GradientPalette() {
  Values palette(256);
  for (std::uint32_t i = 0; i < 256; ++i) palette[i] = (i << 16) | ((255 - i) << 8) | (i * 3 & 255);
  return palette;
}

Values indices(int width, int height, unsigned bitCount, std::uint32_t step) {
  Values out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.push_back((x * step + y * 3) % (1u << bitCount));
  }
  return out;
}

// Colours of indexed pixels; an index the palette does not reach is black.
Values ThroughPalette(const Values& pixels, const Values& palette, std::size_t entries) {
  Values out;
  for (const std::uint32_t index : pixels) out.push_back(index < entries ? palette[index] : 0);
  return out;
}

CatalogueImage indexed(std::string name, std::uint32_t headerSize, int width, int height,
                       unsigned bitCount, Values palette, std::uint32_t colorsUsed = 0,
                       bool topDown = false, std::uint32_t gap = 0) {
  const Values pixels = indices(width, height, bitCount, bitCount == 8 ? 37 : 1);
  const std::size_t entries = colorsUsed != 0 ? colorsUsed : palette.size();
  BmpSpec spec{.headerSize = headerSize,
               .width = width,
               .height = topDown ? -height : height,
               .bitCount = static_cast<std::uint16_t>(bitCount)};
  spec.palette.assign(palette.begin(), palette.begin() + static_cast<long>(entries));
  spec.colorsUsed = colorsUsed;
  spec.gapBytes = gap;
  return {std::move(name), BuildBmp(spec, PackRows(width, height, bitCount, topDown, pixels)),
          width, height, ThroughPalette(pixels, palette, entries)};
}

// Direct colour: raw pixel words with the colours they must give, top row first.
CatalogueImage direct(std::string name, BmpSpec spec, int width, int height, Values words,
                      Values expected) {
  spec.width = width;
  spec.height = spec.height < 0 ? -height : height;
  const auto rows = PackRows(width, height, spec.bitCount, spec.height < 0, words);
  return {std::move(name), BuildBmp(spec, rows), width, height, std::move(expected)};
}

void AddIndexed(std::vector<CatalogueImage>& out) {
  const Values two = {0x112233, 0xFFEEDD};
  out.push_back(indexed("info40_1bpp", 40, 9, 3, 1, two));
  out.push_back(indexed("core12_1bpp", 12, 9, 3, 1, two));
  out.push_back(indexed("info40_2bpp", 40, 7, 2, 2, {0x102030, 0x405060, 0x708090, 0xA0B0C0}));
  out.push_back(indexed("info40_4bpp", 40, 5, 3, 4, kSixteen));
  out.push_back(indexed("core12_4bpp", 12, 5, 3, 4, kSixteen));
  out.push_back(indexed("info40_4bpp_short_palette", 40, 5, 3, 4, kSixteen, 3));
  out.push_back(indexed("info40_8bpp", 40, 7, 3, 8, GradientPalette()));
  out.push_back(indexed("info40_8bpp_16_colours", 40, 7, 3, 8, GradientPalette(), 16));
  out.push_back(indexed("core12_8bpp", 12, 7, 3, 8, GradientPalette()));
  out.push_back(indexed("info40_8bpp_top_down", 40, 7, 3, 8, GradientPalette(), 0, true));
  out.push_back(indexed("info40_8bpp_gap", 40, 7, 3, 8, GradientPalette(), 0, false, 10));
  out.push_back(indexed("os2_16_8bpp", 16, 6, 2, 8, GradientPalette()));
  out.push_back(indexed("os2_64_4bpp", 64, 6, 2, 4, kSixteen));
  out.push_back(indexed("v4_8bpp", 108, 7, 3, 8, GradientPalette()));
  out.push_back(indexed("v5_4bpp_top_down", 124, 5, 3, 4, kSixteen, 0, true));
}

void AddSixteenBit(std::vector<CatalogueImage>& out) {
  // Narrow channels widen by bit replication: 5-bit 16 gives 0x84, 6-bit 32 gives 0x82.
  const Values words555 = {0x7C00, 0x03E0, 0x001F, 0x4210, 0x7FFF, 0x0000};
  const Values rgb555 = {0xFF0000, 0x00FF00, 0x0000FF, 0x848484, 0xFFFFFF, 0x000000};
  out.push_back(direct("info40_16bpp_555", {.bitCount = 16}, 3, 2, words555, rgb555));
  out.push_back(
      direct("info40_16bpp_555_top_down", {.height = -1, .bitCount = 16}, 3, 2, words555, rgb555));
  const std::array<std::uint32_t, 4> m565 = {0xF800, 0x07E0, 0x001F, 0};
  const Values words565 = {0xF800, 0x07E0, 0x001F, 0x0410, 0xFFFF, 0x8000};
  const Values rgb565 = {0xFF0000, 0x00FF00, 0x0000FF, 0x008284, 0xFFFFFF, 0x840000};
  out.push_back(direct("info40_16bpp_565",
                       {.bitCount = 16, .compression = bmp_format::BI_BITFIELDS, .masks = m565}, 3,
                       2, words565, rgb565));
  out.push_back(direct(
      "info56_16bpp_565",
      {.headerSize = 56, .bitCount = 16, .compression = bmp_format::BI_BITFIELDS, .masks = m565}, 3,
      2, words565, rgb565));
  out.push_back(direct(
      "v4_16bpp_565",
      {.headerSize = 108, .bitCount = 16, .compression = bmp_format::BI_BITFIELDS, .masks = m565},
      3, 2, words565, rgb565));
  out.push_back(direct("info52_16bpp_444",
                       {.headerSize = 52,
                        .bitCount = 16,
                        .compression = bmp_format::BI_BITFIELDS,
                        .masks = {0x0F00, 0x00F0, 0x000F, 0}},
                       2, 1, {0x0A5F, 0xF10C}, {0xAA55FF, 0x1100CC}));
  out.push_back(direct("info40_16bpp_alpha_bitfields",
                       {.bitCount = 16,
                        .compression = bmp_format::BI_ALPHABITFIELDS,
                        .masks = {0x0F00, 0x00F0, 0x000F, 0xF000}},
                       2, 1, {0x3A5F, 0xF10C}, {0xAA55FF, 0x1100CC}));
}

void AddWide(std::vector<CatalogueImage>& out) {
  const Values rgb = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFEDCBA,
                      0x000000, 0xFFFFFF, 0x808080, 0x010203, 0xA0A0A0};
  out.push_back(direct("info40_24bpp", {}, 5, 2, rgb, rgb));
  out.push_back(direct("info40_24bpp_top_down", {.height = -1}, 5, 2, rgb, rgb));
  out.push_back(direct("core12_24bpp", {.headerSize = 12}, 5, 2, rgb, rgb));
  out.push_back(direct("v5_24bpp", {.headerSize = 124}, 5, 2, rgb, rgb));
  Values withAlpha;  // B, G, R and an unused byte that must not show
  for (const std::uint32_t c : rgb) withAlpha.push_back(c | 0xAB000000);
  out.push_back(direct("info40_32bpp", {.bitCount = 32}, 5, 2, withAlpha, rgb));
  out.push_back(
      direct("info40_32bpp_top_down", {.height = -1, .bitCount = 32}, 5, 2, withAlpha, rgb));
  const Values swapped = {0x0000FF, 0x00FF00, 0xFF0000, 0x563412};  // red in the low byte
  out.push_back(direct("info40_32bpp_bgr_bitfields",
                       {.bitCount = 32,
                        .compression = bmp_format::BI_BITFIELDS,
                        .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0}},
                       2, 2, swapped, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}));
  out.push_back(direct("v5_32bpp_alpha_bitfields",
                       {.headerSize = 124,
                        .bitCount = 32,
                        .compression = bmp_format::BI_ALPHABITFIELDS,
                        .masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
                       2, 1, {0x80123456, 0x00FEDCBA}, {0x123456, 0xFEDCBA}));
  // Channels wider than 8 bits keep their top 8 bits: 0x3FF, 0x200, 0x155 give FF, 80, 55.
  out.push_back(direct("v4_32bpp_10_10_10",
                       {.headerSize = 108,
                        .bitCount = 32,
                        .compression = bmp_format::BI_BITFIELDS,
                        .masks = {0x3FF00000, 0x000FFC00, 0x000003FF, 0}},
                       1, 1, {(0x3FFu << 20) | (0x200u << 10) | 0x155u}, {0xFF8055}));
}

// 6 x 4, bottom row first in the stream: encoded runs, an odd absolute run with its pad
// byte, an early end of line, a delta that skips into the next row, a run past the right
// edge and the end of the bitmap.
void AddRle(std::vector<CatalogueImage>& out) {
  const Values palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  const std::uint8_t row1[] = {3, 4, 3};
  RleStream rle8;
  rle8.Run(3, 1).Run(3, 2).EndOfLine();
  rle8.Absolute8(row1).Run(2, 1).EndOfLine();
  rle8.Run(1, 4).Delta(2, 1);
  rle8.Run(10, 3).EndOfBitmap();
  const Values rle8Indices = {0, 0, 0, 3, 3, 3,  //
                              4, 0, 0, 0, 0, 0,  //
                              3, 4, 3, 1, 1, 0,  //
                              1, 1, 1, 2, 2, 2};
  BmpSpec spec8{.width = 6,
                .height = 4,
                .bitCount = 8,
                .compression = bmp_format::BI_RLE8,
                .palette = palette,
                .colorsUsed = 5};
  out.push_back({"info40_rle8", BuildBmp(spec8, rle8.bytes()), 6, 4,
                 ThroughPalette(rle8Indices, palette, 5)});
  spec8.headerSize = 124;
  out.push_back(
      {"v5_rle8", BuildBmp(spec8, rle8.bytes()), 6, 4, ThroughPalette(rle8Indices, palette, 5)});

  const std::uint8_t row1Nibbles[] = {4, 3, 2, 1, 4};
  RleStream rle4;
  rle4.Run(5, 0x12).Run(1, 0x30).EndOfLine();
  rle4.Absolute4(row1Nibbles).EndOfLine();
  rle4.Delta(1, 0).Run(2, 0x44).EndOfLine();
  rle4.Run(8, 0x21).EndOfBitmap();
  const Values rle4Indices = {2, 1, 2, 1, 2, 1,  //
                              0, 4, 4, 0, 0, 0,  //
                              4, 3, 2, 1, 4, 0,  //
                              1, 2, 1, 2, 1, 3};
  const BmpSpec spec4{.width = 6,
                      .height = 4,
                      .bitCount = 4,
                      .compression = bmp_format::BI_RLE4,
                      .palette = kSixteen};
  out.push_back({"info40_rle4", BuildBmp(spec4, rle4.bytes()), 6, 4,
                 ThroughPalette(rle4Indices, kSixteen, 16)});
}

// Over 64 KiB, so that rows are read from the file as they are needed rather than from the
// bytes read with the headers, and taller than the bands the drawing tests use.
void AddLarge(std::vector<CatalogueImage>& out) {
  out.push_back(indexed("info40_8bpp_large_top_down", 40, 300, 240, 8, GradientPalette(), 0, true));
  out.push_back(indexed("info40_4bpp_large", 40, 420, 320, 4, kSixteen));
  Values words;
  for (int y = 0; y < 140; ++y) {
    for (int x = 0; x < 160; ++x)
      words.push_back(
          static_cast<std::uint32_t>((x * 7 & 255) << 16 | (y * 5 & 255) << 8 | ((x ^ y) & 255)));
  }
  out.push_back(direct("info40_24bpp_large", {}, 160, 140, words, words));
  // Absolute runs of 150 pixels: a stream of about 300 bytes a row.
  constexpr int kWidth = 300, kHeight = 240;
  RleStream rle;
  Values rows(static_cast<std::size_t>(kWidth) * kHeight);
  std::vector<std::uint8_t> run(150);
  for (int bottomUp = 0; bottomUp < kHeight; ++bottomUp) {
    const int y = kHeight - 1 - bottomUp;
    for (int half = 0; half < 2; ++half) {
      for (int k = 0; k < 150; ++k) {
        run[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((half * 150 + k + 3 * y) % 5);
        rows[static_cast<std::size_t>(y * kWidth + half * 150 + k)] =
            run[static_cast<std::size_t>(k)];
      }
      rle.Absolute8(run);
    }
    rle.EndOfLine();
  }
  rle.EndOfBitmap();
  const Values palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  const BmpSpec spec{.width = kWidth,
                     .height = kHeight,
                     .bitCount = 8,
                     .compression = bmp_format::BI_RLE8,
                     .palette = palette,
                     .colorsUsed = 5};
  out.push_back({"info40_rle8_large", BuildBmp(spec, rle.bytes()), kWidth, kHeight,
                 ThroughPalette(rows, palette, 5)});
}

}  // namespace

std::vector<CatalogueImage> BmpCatalogue() {
  std::vector<CatalogueImage> out;
  AddIndexed(out);
  AddSixteenBit(out);
  AddWide(out);
  AddRle(out);
  AddLarge(out);
  return out;
}

void PrintTo(const CatalogueImage& image, std::ostream* out) { *out << image.name; }

}  // namespace eveda::testing
