// Each source format's kinds, written by the format's own library, decode to the pixels written.
#include <gif_lib.h>  // NO_TRANSPARENT_COLOR
#include <gtest/gtest.h>
#include <tiffio.h>

#include <array>

#include "formats/gif/gif_decoder.h"
#include "formats/heif/heif_decoder.h"
#include "formats/tiff/tiff_decoder.h"
#include "formats/webp/webp_decoder.h"
#include "tests/formats/pictures.h"

namespace formats::testing {
namespace {

using Pixel = std::array<std::uint8_t, 4>;  // B, G, R, A
using Expected = Pixel (*)(std::uint32_t x, std::uint32_t y);

Bytes Picture(Expected at, bool alpha) {
  Bytes out;
  for (std::uint32_t i = 0; i < kW * kH; ++i) {
    const Pixel p = at(i % kW, i / kW);
    out.insert(out.end(), p.begin(), p.begin() + (alpha ? 4 : 3));
  }
  return out;
}
Pixel SmoothPixel(std::uint32_t x, std::uint32_t y) { return {Smooth(x, y, 0), Smooth(x, y, 1), Smooth(x, y, 2), 255}; }
Pixel SmoothClearPixel(std::uint32_t x, std::uint32_t y) { return {Smooth(x, y, 0), Smooth(x, y, 1), Smooth(x, y, 2), std::uint8_t(100 + x * 4)}; }
Pixel FivesPixel(std::uint32_t x, std::uint32_t y) { return {FivesAt(x, y, 0), FivesAt(x, y, 1), FivesAt(x, y, 2), AlphaAt(x, y)}; }

struct Format {
  bool (*sniff)(std::span<const std::uint8_t>);
  eveda::Result<ProbedImage, SourceError> (*probe)(const ByteInput&);
  eveda::Result<std::unique_ptr<RowStream>, SourceError> (*open)(const ByteInput&, const OpenHints&);
};
constexpr Format kWebp{SniffWebp, ProbeWebp, OpenWebp}, kTiff{SniffTiff, ProbeTiff, OpenTiff},
    kGif{SniffGif, ProbeGif, OpenGif}, kHeif{SniffHeif, ProbeHeif, OpenHeif};

// The probe and the stream agree on the header; the rows match exactly (minPsnr 0) or closely.
void ExpectDecodes(const Format& format, const Bytes& file, Pixels pixels, const Bytes& expected,
                   double minPsnr, Orientation orientation = 1) {
  ASSERT_FALSE(file.empty());
  MemoryInput input(file);
  EXPECT_TRUE(format.sniff(std::span(file).first(std::min<std::size_t>(32, file.size()))));
  auto probed = format.probe(input);
  ASSERT_TRUE(probed) << probed.error().detail;
  EXPECT_EQ(probed->width, kW);
  EXPECT_EQ(probed->orientation, orientation);
  auto stream = format.open(input, {});
  ASSERT_TRUE(stream) << stream.error().detail;
  EXPECT_EQ((*stream)->Info().pixels, pixels);
  EXPECT_EQ((*stream)->Info().orientation, orientation);
  ASSERT_EQ((*stream)->Info().height, kH);
  const Bytes rows = ReadAll(**stream);
  EXPECT_TRUE(minPsnr == 0 ? rows == expected : Psnr(rows, expected) >= minPsnr) << Psnr(rows, expected);
  std::uint8_t extra[4];
  EXPECT_FALSE((*stream)->Read(extra, 4, 1));  // past the last row
}

TEST(WebpDecoder, EveryKindDecodesToThePixelsWritten) {
  const Bytes opaque = Picture(SmoothPixel, false), clear = Picture(FivesPixel, true);
  ExpectDecodes(kWebp, WriteWebp(opaque, false, true), Pixels::Bgr, opaque, 0);
  ExpectDecodes(kWebp, WriteWebp(clear, true, true), Pixels::Bgra, clear, 0);
  ExpectDecodes(kWebp, WriteWebp(opaque, false, false), Pixels::Bgr, opaque, 32);
  const Bytes smoothClear = Picture(SmoothClearPixel, true);
  ExpectDecodes(kWebp, WriteWebp(smoothClear, true, false), Pixels::Bgra, smoothClear, 32);
  // An animation's first frame on its canvas, transparent where the frame does not reach.
  Bytes first = clear;
  for (std::uint32_t i = 0; i < kW * kH; ++i) std::fill_n(&first[i * 4], i % kW < 10 ? 4 : 0, 0);
  ExpectDecodes(kWebp, WriteAnimatedWebp(clear, 10), Pixels::Bgra, first, 0);
}

TEST(HeifDecoder, HevcAndAv1DecodeWithinTheCodecsError) {
  for (const bool av1 : {false, true}) {
    SCOPED_TRACE(av1 ? "AVIF" : "HEIC");
    const Bytes bgr = Picture(SmoothPixel, false), bgra = Picture(SmoothClearPixel, true), file = WriteHeif(bgr, false, av1);
    if (file.empty()) GTEST_SKIP() << "libheif has no encoder for " << (av1 ? "AV1" : "HEVC");
    ExpectDecodes(kHeif, file, Pixels::Bgr, bgr, 30);
    ExpectDecodes(kHeif, WriteHeif(bgra, true, av1), Pixels::Bgra, bgra, 30);
  }
}

// Samples for each TIFF kind, and the pixel they mean.
std::uint32_t Level(std::uint32_t x, std::uint32_t y, int) { return (x * 5 + y * 3) & 0xff; }
template <int kBits> std::uint32_t LevelOf(std::uint32_t x, std::uint32_t y, int s) { return Level(x, y, s) >> (8 - kBits); }
std::uint32_t Level16(std::uint32_t x, std::uint32_t y, int s) { return Level(x, y, s) * 257; }
std::uint32_t SmoothRgb(std::uint32_t x, std::uint32_t y, int s) { return Smooth(x, y, 2 - s); }
std::uint32_t SmoothRgb16(std::uint32_t x, std::uint32_t y, int s) { return SmoothRgb(x, y, s) * 257; }
std::uint32_t Straight(std::uint32_t x, std::uint32_t y, int s) { return s == 3 ? AlphaAt(x, y) : FivesAt(x, y, 2 - s); }
std::uint32_t Premultiplied(std::uint32_t x, std::uint32_t y, int s) { return Straight(x, y, s) * (s == 3 ? 255 : AlphaAt(x, y)) / 255; }
std::uint32_t Cmyk(std::uint32_t x, std::uint32_t y, int s) { return (x * 40 + y * 30 + std::uint32_t(s) * 70) & 0xff; }
template <int kBits> Pixel GreyPixel(std::uint32_t x, std::uint32_t y) {
  const auto v = std::uint8_t(LevelOf<kBits>(x, y, 0) * 255 / ((1 << kBits) - 1));
  return {v, v, v, 255};
}
Pixel PalettePixel(std::uint32_t x, std::uint32_t y) {
  const std::uint32_t i = LevelOf<4>(x, y, 0);
  return {PaletteColour(i, 2), PaletteColour(i, 1), PaletteColour(i, 0), 255};
}
Pixel CmykPixel(std::uint32_t x, std::uint32_t y) {  // libtiff's own rule: (255 - K) * (255 - C) / 255
  auto ink = [&](int s) { return std::uint8_t((255 - Cmyk(x, y, 3)) * (255 - Cmyk(x, y, s)) / 255); };
  return {ink(2), ink(1), ink(0), 255};
}

TEST(TiffDecoder, EveryKindDecodesToThePixelsWritten) {
  struct Kind { const char* name; TiffSpec spec; SampleAt sample; Expected expected; Pixels pixels; double minPsnr = 0; };
  const Kind kinds[] = {
      {"grey 1-bit", {1, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE}, LevelOf<1>, GreyPixel<1>, Pixels::Bgr},
      {"grey 2-bit packbits", {2, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS}, LevelOf<2>, GreyPixel<2>, Pixels::Bgr},
      {"grey 4-bit lzw", {4, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW}, LevelOf<4>, GreyPixel<4>, Pixels::Bgr},
      {"grey 8-bit tiled", {8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_ADOBE_DEFLATE, 0, true}, LevelOf<8>, GreyPixel<8>, Pixels::Bgr},
      {"grey 16-bit", {16, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE}, Level16, GreyPixel<8>, Pixels::Bgr},
      {"palette 4-bit", {4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW}, LevelOf<4>, PalettePixel, Pixels::Bgr},
      {"rgb 8-bit deflate", {8, 3, PHOTOMETRIC_RGB, COMPRESSION_ADOBE_DEFLATE}, SmoothRgb, SmoothPixel, Pixels::Bgr},
      {"rgb 16-bit tiled lzw", {16, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW, 0, true}, SmoothRgb16, SmoothPixel, Pixels::Bgr},
      {"rgba unassociated", {8, 4, PHOTOMETRIC_RGB, COMPRESSION_NONE, EXTRASAMPLE_UNASSALPHA}, Straight, FivesPixel, Pixels::Bgra},
      {"rgba associated tiled", {8, 4, PHOTOMETRIC_RGB, COMPRESSION_PACKBITS, EXTRASAMPLE_ASSOCALPHA, true}, Premultiplied, FivesPixel, Pixels::Bgra},
      {"cmyk", {8, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_LZW}, Cmyk, CmykPixel, Pixels::Bgr},
      {"jpeg ycbcr", {8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_JPEG}, SmoothRgb, SmoothPixel, Pixels::Bgr, 32},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    ExpectDecodes(kTiff, WriteTiff(kind.spec, kind.sample), kind.pixels, Picture(kind.expected, kind.pixels == Pixels::Bgra), kind.minPsnr);
  }
  // The orientation is reported; the rows stay as stored.
  ExpectDecodes(kTiff, WriteTiff({8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE, 0, false, 6}, SmoothRgb), Pixels::Bgr,
                Picture(SmoothPixel, false), 0, 6);
}

TEST(GifDecoder, TheFirstFrameDecodesOnItsScreen) {
  const GifKind kinds[] = {
      {"opaque", 0, 0, kW, kH, NO_TRANSPARENT_COLOR, false},
      {"interlaced", 0, 0, kW, kH, NO_TRANSPARENT_COLOR, true},
      {"transparent index", 0, 0, kW, kH, 7, false},
      {"frame inside the screen", 5, 3, 20, 11, NO_TRANSPARENT_COLOR, true},
  };
  for (const GifKind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    const bool alpha = kind.transparent >= 0 || kind.width != int(kW);
    Bytes expected;
    for (int i = 0; i < int(kW * kH); ++i) {
      const int x = i % int(kW) - kind.left, y = i / int(kW) - kind.top;
      const bool inside = x >= 0 && y >= 0 && x < kind.width && y < kind.height;
      const int index = inside ? IndexAt(x, y) : kind.transparent;
      const bool shown = inside && index != kind.transparent;
      for (int c = 2; c >= 0; --c) expected.push_back(shown ? PaletteColour(std::uint32_t(index), c) : 0);
      if (alpha) expected.push_back(shown ? 255 : 0);
    }
    ExpectDecodes(kGif, WriteGif(kind), alpha ? Pixels::Bgra : Pixels::Bgr, expected, 0);
  }
}

}  // namespace
}  // namespace formats::testing
