// Every PNG colour type and depth and every JPEG kind, written by libpng and libjpeg from known
// samples, decoded and compared with the pixels those samples stand for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "formats/jpeg/jpeg.h"
#include "formats/png/png.h"
#include "formats/source_reader.h"
#include "tests/support/bmp_catalogue.h"
#include "tests/support/image_writers.h"
#include "tests/support/temp_dir.h"

namespace formats {
namespace {

using eveda::testing::JpegKind;
using eveda::testing::JpegSpec;
using eveda::testing::PngSpec;

constexpr Colour kBackground = 0x00336699;  // R 0x99, G 0x66, B 0x33

struct PngCase {
  int colourType;
  int bitDepth;
  bool transparency;  // tRNS: palette alphas, or a grey or RGB key
};

int Channels(int colourType) {
  return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

PngSpec MakePng(const PngCase& c, bool interlaced, std::uint32_t seed) {
  PngSpec spec{.width = 13,
               .height = 11,
               .colourType = c.colourType,
               .bitDepth = c.bitDepth,
               .interlaced = interlaced};
  std::mt19937 random(seed);
  const int top = c.colourType == 3 ? (1 << std::min(c.bitDepth, 4)) - 1 : (1 << c.bitDepth) - 1;
  std::uniform_int_distribution<int> sample(0, top);
  const int channels = Channels(c.colourType);
  for (std::uint32_t i = 0; i < spec.width * spec.height * channels; ++i)
    spec.samples.push_back(static_cast<std::uint16_t>(sample(random)));
  if (c.colourType == 3) {
    for (int i = 0; i <= top; ++i)
      spec.palette.insert(spec.palette.end(), {static_cast<std::uint8_t>(i * 17),
                                               static_cast<std::uint8_t>(255 - i * 9),
                                               static_cast<std::uint8_t>(i * 31)});
    if (c.transparency)
      for (int i = 0; i <= top / 2; ++i)
        spec.paletteAlpha.push_back(static_cast<std::uint8_t>(i * 40));
  } else if (c.transparency) {
    // Every fifth pixel takes the key colour.
    spec.transparentKey.assign(spec.samples.begin(), spec.samples.begin() + channels);
    for (std::size_t p = 5; p < spec.width * spec.height; p += 5)
      std::copy_n(spec.transparentKey.begin(), channels, spec.samples.begin() + p * channels);
  }
  return spec;
}

unsigned To8(unsigned v, int depth) {
  if (depth == 16) return v >> 8;
  return v * 255 / ((1u << depth) - 1);
}

unsigned Blend(unsigned c, unsigned a, unsigned bg) { return (c * a + bg * (255 - a) + 127) / 255; }

// B,G,R of pixel p as the PNG format defines it, blended over kBackground.
std::array<unsigned, 3> ExpectedPng(const PngSpec& s, std::size_t p) {
  const int n = Channels(s.colourType);
  const std::uint16_t* v = &s.samples[p * n];
  unsigned r, g, b, a = 255;
  if (s.colourType == 3) {
    r = s.palette[3 * v[0]], g = s.palette[3 * v[0] + 1], b = s.palette[3 * v[0] + 2];
    if (v[0] < s.paletteAlpha.size()) a = s.paletteAlpha[v[0]];
  } else {
    r = To8(v[0], s.bitDepth);
    g = n >= 3 ? To8(v[1], s.bitDepth) : r;
    b = n >= 3 ? To8(v[2], s.bitDepth) : r;
    if (n == 2 || n == 4) a = To8(v[n - 1], s.bitDepth);
    if (!s.transparentKey.empty() &&
        std::equal(s.transparentKey.begin(), s.transparentKey.end(), v))
      a = 0;
  }
  return {Blend(b, a, 0x33), Blend(g, a, 0x66), Blend(r, a, 0x99)};
}

TEST(DecodePngTest, EveryColourTypeAndDepthPlainAndInterlaced) {
  const PngCase cases[] = {
      {0, 1, false}, {0, 2, false},  {0, 4, false}, {0, 8, false},  {0, 16, false},
      {0, 4, true},  {0, 16, true},  {2, 8, false}, {2, 16, false}, {2, 8, true},
      {2, 16, true}, {3, 1, false},  {3, 2, true},  {3, 4, false},  {3, 8, true},
      {4, 8, false}, {4, 16, false}, {6, 8, false}, {6, 16, false},
  };
  DecodedImage image;  // reused, as the drawing pass reuses it
  std::uint32_t seed = 1;
  for (const PngCase& c : cases) {
    for (const bool interlaced : {false, true}) {
      const PngSpec spec = MakePng(c, interlaced, seed++);
      const std::string name = "type " + std::to_string(c.colourType) + ", depth " +
                               std::to_string(c.bitDepth) + (c.transparency ? ", tRNS" : "") +
                               (interlaced ? ", Adam7" : "");
      const std::vector<std::uint8_t> file = eveda::testing::WritePng(spec);
      const auto decoded = DecodePng(file, kBackground, image);  // the stream's rows, blended
      ASSERT_TRUE(decoded) << name << ": " << decoded.error().detail;
      ASSERT_EQ(image.width, spec.width) << name;
      ASSERT_EQ(image.height, spec.height) << name;
      ASSERT_EQ(image.stride, 40u) << name;  // 39 rounded up to whole words
      for (std::uint32_t y = 0; y < spec.height; ++y) {
        for (std::uint32_t x = 0; x < spec.width; ++x) {
          const auto expected = ExpectedPng(spec, y * spec.width + x);
          const std::uint8_t* got = image.Row(y) + 3 * x;
          ASSERT_EQ((std::array<unsigned, 3>{got[0], got[1], got[2]}), expected)
              << name << " at " << x << "," << y;
        }
      }
      const bool alpha = c.transparency || c.colourType == 4 || c.colourType == 6;
      EXPECT_EQ((*OpenPngStream(std::make_unique<MemoryInput>(file)))->Info().pixels,
                alpha ? Pixels::Bgra : Pixels::Bgr);
    }
  }
}

struct JpegCase {
  const char* name;
  JpegKind kind;
  bool progressive;
};

// B,G,R of the source samples, as the decoder should reproduce them up to JPEG's loss.
std::array<int, 3> SourceBgr(const JpegSpec& s, std::size_t p) {
  switch (s.kind) {
    case JpegKind::Grey:
      return {s.samples[p], s.samples[p], s.samples[p]};
    case JpegKind::YCbCr:
      return {s.samples[3 * p + 2], s.samples[3 * p + 1], s.samples[3 * p]};
    default: {  // Adobe CMYK: stored inverted, so ink-free is 255
      const std::uint8_t* v = &s.samples[4 * p];
      return {v[2] * v[3] / 255, v[1] * v[3] / 255, v[0] * v[3] / 255};
    }
  }
}

TEST(DecodeJpegTest, EveryKindBaselineAndProgressiveWithinJpegLoss) {
  const JpegCase cases[] = {
      {"grey", JpegKind::Grey, false},   {"grey progressive", JpegKind::Grey, true},
      {"YCbCr", JpegKind::YCbCr, false}, {"YCbCr progressive", JpegKind::YCbCr, true},
      {"CMYK", JpegKind::Cmyk, false},   {"YCCK progressive", JpegKind::Ycck, true},
  };
  DecodedImage image;
  for (const JpegCase& c : cases) {
    const int channels = c.kind == JpegKind::Grey ? 1 : c.kind == JpegKind::YCbCr ? 3 : 4;
    JpegSpec spec{.width = 48, .height = 40, .kind = c.kind, .progressive = c.progressive};
    spec.samples = eveda::testing::PhotoLikeSamples(48, 40, channels, 7);
    const std::vector<std::uint8_t> file = eveda::testing::WriteJpeg(spec);
    const auto decoded = DecodeJpeg(file, image);
    ASSERT_TRUE(decoded) << c.name << ": " << decoded.error().detail;
    ASSERT_EQ(image.width, 48u);
    ASSERT_EQ(image.height, 40u);
    long total = 0;
    int worst = 0;
    for (std::uint32_t y = 0; y < 40; ++y) {
      for (std::uint32_t x = 0; x < 48; ++x) {
        const auto expected = SourceBgr(spec, y * 48 + x);
        for (int k = 0; k < 3; ++k) {
          const int d = std::abs(image.Row(y)[3 * x + k] - expected[k]);
          worst = std::max(worst, d);
          total += d;
        }
      }
    }
    // Quality 95 on smooth content: a channel off by a few levels on average, never by much.
    EXPECT_LE(total / (48 * 40 * 3), 3) << c.name;
    EXPECT_LE(worst, 24) << c.name;
    // Rows passed over inside a row of blocks, across several, and all but the last: the rows
    // after them as a whole decode has them.
    for (const std::uint32_t passed : {3u, 21u, 39u}) {
      auto stream = OpenJpegStream(std::make_unique<MemoryInput>(file), {});
      ASSERT_TRUE(stream && (*stream)->Skip(passed)) << c.name << " " << passed;
      std::vector<std::uint8_t> rest((40 - passed) * 48 * 3);
      ASSERT_TRUE((*stream)->Read(rest.data(), 48 * 3, 40 - passed)) << c.name;
      EXPECT_TRUE(std::equal(rest.begin(), rest.end(), image.Row(passed)))
          << c.name << ": the rows after " << passed << " passed over";
      EXPECT_FALSE((*stream)->Skip(1)) << c.name << ": past the last row";
    }
  }
}

// Each source's format is told by its signature, whatever its name; the window's reader knows
// A BMP streams as the rows the window draws from it, whatever its kind (palettes, bit fields,
// RLE, top-down): the first row alone, then the rest; nothing past the last.
TEST(DecodeBmpTest, EveryKindStreamsTheRowsTheWindowShows) {
  for (const eveda::testing::CatalogueImage& image : eveda::testing::BmpCatalogue()) {
    SCOPED_TRACE(image.name);
    auto stream = SourceReader::BmpOnly().OpenStream(std::make_unique<MemoryInput>(image.file), {});
    ASSERT_TRUE(stream) << stream.error().detail;
    ASSERT_EQ((*stream)->Info().width * 1000 + (*stream)->Info().height,
              std::uint32_t(image.width * 1000 + image.height));
    const std::ptrdiff_t stride = image.width * 3;
    std::vector<std::uint8_t> rows(std::size_t(stride) * image.height);
    ASSERT_TRUE((*stream)->Read(rows.data(), stride, 1));
    ASSERT_TRUE((*stream)->Read(rows.data() + stride, stride, std::uint32_t(image.height - 1)));
    EXPECT_FALSE((*stream)->Read(rows.data(), stride, 1));
    for (std::size_t p = 0; p < image.expectedRgb.size(); ++p)
      ASSERT_EQ(std::uint32_t(rows[3 * p + 2] << 16 | rows[3 * p + 1] << 8 | rows[3 * p]),
                image.expectedRgb[p])
          << p;
  }
}

// BMP only. Sizes come from the headers, and only what the decoders would accept sizes a cell.
TEST(SourceReaderTest, ChoosesTheFormatBySignatureAndProbesHeadersOnly) {
  eveda::testing::TempDir dir;
  const auto text = [](const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
  };
  PngSpec png{.width = 300, .height = 40, .colourType = 0, .bitDepth = 1};
  png.samples.assign(300 * 40, 1);
  const std::string pngFile = text(eveda::testing::WritePng(png));
  JpegSpec jpeg{.width = 50, .height = 120, .kind = JpegKind::Grey};
  jpeg.samples.assign(50 * 120, 200);
  dir.WriteFile("a.png", pngFile);
  dir.WriteFile("named.bmp", text(eveda::testing::WriteJpeg(jpeg)));
  dir.WriteBmp("c.png", 7, 9);  // a BMP under another name
  std::string huge = pngFile;   // 16384 x 16385: one row past the pixel limit, CRC fixed
  huge.replace(16, 8, std::string("\x00\x00\x40\x00\x00\x00\x40\x01", 8));
  huge.replace(29, 4, std::string("\x4A\xEF\xFE\x8C", 4));
  dir.WriteFile("e.png", huge);
  dir.WriteFile("f.txt", "neither");
  using bmp_loader::DecodeError;
  const struct {
    const char* name;
    std::uint32_t width, height;
    DecodeError refusal;  // Unreadable: none
  } cases[] = {
      {"a.png", 300, 40, DecodeError::Unreadable}, {"named.bmp", 50, 120, DecodeError::Unreadable},
      {"c.png", 7, 9, DecodeError::Unreadable},    {"e.png", 0, 0, DecodeError::TooLarge},
      {"f.txt", 0, 0, DecodeError::NotAnImage},    {"missing", 0, 0, DecodeError::NotFound},
  };
  const SourceReader& reader = SourceReader::EveryFormat();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto probed = reader.Probe(dir.PathOf(c.name));
    ASSERT_EQ(probed.has_value(), c.refusal == DecodeError::Unreadable);
    if (!probed) {
      EXPECT_EQ(probed.error().reason, c.refusal);
      continue;
    }
    EXPECT_EQ(probed->width, c.width);
    EXPECT_EQ(probed->height, c.height);
    bmp_loader::RowBuffers own;
    bmp_loader::ScratchBuffer scratch;
    const auto opened = reader.Open(dir.PathOf(c.name), own, scratch, 0);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Width(), static_cast<std::int32_t>(c.width));
  }
  EXPECT_EQ(SourceReader::BmpOnly().Probe(dir.PathOf("a.png")).error().reason, DecodeError::NotBmp);
}

}  // namespace
}  // namespace formats
