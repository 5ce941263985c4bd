// Each source format's kinds, written by the format's own library, decode to the pixels written;
// damaged, cut-off and over-sized files are refused with a reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "formats/gif/gif_decoder.h"
#include "formats/heif/heif_decoder.h"
#include "formats/input_format.h"
#include "formats/source_reader.h"
#include "formats/tiff/tiff_decoder.h"
#include "formats/webp/webp_decoder.h"
#include "tests/formats/reference_pictures.h"

namespace formats::testing {
namespace {

Pixel SmoothClearPixel(std::uint32_t x, std::uint32_t y) {
  return {Smooth(x, y, 0), Smooth(x, y, 1), Smooth(x, y, 2), std::uint8_t(100 + x * 4)};
}
Pixel FivesPixel(std::uint32_t x, std::uint32_t y) {
  return {FivesAt(x, y, 0), FivesAt(x, y, 1), FivesAt(x, y, 2), AlphaAt(x, y)};
}

const InputFormat &kWebp = kWebpFormat, &kTiff = kTiffFormat, &kGif = kGifFormat,
                  &kHeif = kHeifFormat;

// The probe and the stream agree on the header; the rows match exactly (minPsnr 0) or closely.
void ExpectDecodes(const InputFormat& format, const Bytes& file, Pixels pixels,
                   const Bytes& expected, double minPsnr, Orientation orientation = 1,
                   const std::string& icc = "") {
  ASSERT_FALSE(file.empty());
  MemoryInput input(file);
  EXPECT_TRUE(format.sniff(file));
  const SourceReader& reader = SourceReader::EveryFormat();
  auto probed = reader.Probe(input);
  ASSERT_TRUE(probed) << probed.error().detail;
  EXPECT_EQ(std::pair(probed->width, probed->orientation), std::pair(kW, orientation));
  auto stream = reader.OpenStream(std::make_unique<MemoryInput>(file), {});
  ASSERT_TRUE(stream) << stream.error().detail;
  const StreamInfo& info = (*stream)->Info();
  EXPECT_EQ(std::tuple(info.pixels, info.orientation,
                       std::string(info.iccProfile.begin(), info.iccProfile.end())),
            std::tuple(pixels, orientation, icc));
  ASSERT_EQ(info.height, kH);
  const Bytes rows = *ReadAll(**stream);
  EXPECT_GE(Psnr(rows, expected), minPsnr == 0 ? 99 : minPsnr);               // 99: the same rows
  EXPECT_FALSE((*stream)->Read(std::array<std::uint8_t, 4>().data(), 4, 1));  // past the last row
}

TEST(WebpDecoder, EveryKindDecodesToThePixelsWritten) {
  const Bytes opaque = Picture(SmoothPixel, false), clear = Picture(FivesPixel, true);
  ExpectDecodes(kWebp, WriteWebp(opaque, false, true), Pixels::Bgr, opaque, 0);
  ExpectDecodes(kWebp, WriteWebp(clear, true, true), Pixels::Bgra, clear, 0);
  ExpectDecodes(kWebp, WriteWebp(opaque, false, false), Pixels::Bgr, opaque, 32);
  const Bytes smoothClear = Picture(SmoothClearPixel, true);
  ExpectDecodes(kWebp, WriteWebp(smoothClear, true, false), Pixels::Bgra, smoothClear, 32);
  // A still picture shrinks while it decodes, to no less than the hints ask for.
  auto shrunk = OpenWebp(MemoryInput(WriteWebp(opaque, false, true)), {10, 5});
  ASSERT_TRUE(shrunk);
  EXPECT_EQ((*shrunk)->Info().width * 100 + (*shrunk)->Info().height,
            1006u);  // 37 x 21 scaled by 10 / 37
}

TEST(HeifDecoder, HevcAndAv1DecodeWithinTheCodecsError) {
  for (const bool av1 : {false, true}) {
    SCOPED_TRACE(av1 ? "AVIF" : "HEIC");
    const Bytes bgr = Picture(SmoothPixel, false), bgra = Picture(SmoothClearPixel, true),
                file = WriteHeif(bgr, false, av1);
    if (file.empty()) GTEST_SKIP() << "libheif has no encoder for " << (av1 ? "AV1" : "HEVC");
    ExpectDecodes(kHeif, file, Pixels::Bgr, bgr, 30, 1, "icc!");
    ExpectDecodes(kHeif, WriteHeif(bgra, true, av1), Pixels::Bgra, bgra, 30, 1, "icc!");
  }
}

// Samples for each TIFF kind, and the pixel they mean.
std::uint32_t Level(std::uint32_t x, std::uint32_t y, int) { return (x * 5 + y * 3) & 0xff; }
template <int kBits>
std::uint32_t LevelOf(std::uint32_t x, std::uint32_t y, int s) {
  return Level(x, y, s) >> (8 - kBits);
}
std::uint32_t Level16(std::uint32_t x, std::uint32_t y, int s) { return Level(x, y, s) * 257; }
std::uint32_t SmoothRgb(std::uint32_t x, std::uint32_t y, int s) { return Smooth(x, y, 2 - s); }
std::uint32_t SmoothRgb16(std::uint32_t x, std::uint32_t y, int s) {
  return SmoothRgb(x, y, s) * 257;
}
std::uint32_t Straight(std::uint32_t x, std::uint32_t y, int s) {
  return s == 3 ? AlphaAt(x, y) : FivesAt(x, y, 2 - s);
}
std::uint32_t Premultiplied(std::uint32_t x, std::uint32_t y, int s) {
  return Straight(x, y, s) * (s == 3 ? 255 : AlphaAt(x, y)) / 255;
}
std::uint32_t Cmyk(std::uint32_t x, std::uint32_t y, int s) {
  return (x * 40 + y * 30 + std::uint32_t(s) * 70) & 0xff;
}
template <int kBits>
Pixel GreyPixel(std::uint32_t x, std::uint32_t y) {
  const auto v = std::uint8_t(LevelOf<kBits>(x, y, 0) * 255 / ((1 << kBits) - 1));
  return {v, v, v, 255};
}
Pixel PalettePixel(std::uint32_t x, std::uint32_t y) {
  return {PaletteColour(LevelOf<4>(x, y, 0), 2), PaletteColour(LevelOf<4>(x, y, 0), 1),
          PaletteColour(LevelOf<4>(x, y, 0), 0), 255};
}
Pixel CmykPixel(std::uint32_t x,
                std::uint32_t y) {  // libtiff's own rule: (255 - K) * (255 - C) / 255
  auto ink = [&](int s) {
    return std::uint8_t((255 - Cmyk(x, y, 3)) * (255 - Cmyk(x, y, s)) / 255);
  };
  return {ink(2), ink(1), ink(0), 255};
}

TEST(TiffDecoder, EveryKindDecodesToThePixelsWritten) {
  struct Kind {
    const char* name;
    TiffSpec spec;
    SampleAt sample;
    Expected expected;
    double minPsnr = 0;
  };
  constexpr int kGrey = PHOTOMETRIC_MINISBLACK, kRgb = PHOTOMETRIC_RGB;
  // clang-format off
  const Kind kinds[] = {
      {"grey 1-bit", {1, 1, kGrey, COMPRESSION_NONE}, LevelOf<1>, GreyPixel<1>},
      {"grey 2-bit packbits", {2, 1, kGrey, COMPRESSION_PACKBITS}, LevelOf<2>, GreyPixel<2>},
      {"grey 4-bit lzw", {4, 1, kGrey, COMPRESSION_LZW}, LevelOf<4>, GreyPixel<4>},
      {"grey 8-bit tiled", {8, 1, kGrey, COMPRESSION_ADOBE_DEFLATE, 0, true}, LevelOf<8>, GreyPixel<8>},
      {"grey 16-bit", {16, 1, kGrey, COMPRESSION_NONE}, Level16, GreyPixel<8>},
      {"palette 4-bit", {4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW}, LevelOf<4>, PalettePixel},
      {"rgb 8-bit deflate", {8, 3, kRgb, COMPRESSION_ADOBE_DEFLATE}, SmoothRgb, SmoothPixel},
      {"rgb 16-bit tiled lzw", {16, 3, kRgb, COMPRESSION_LZW, 0, true}, SmoothRgb16, SmoothPixel},
      {"rgba unassociated", {8, 4, kRgb, COMPRESSION_NONE, EXTRASAMPLE_UNASSALPHA}, Straight, FivesPixel},
      {"rgba associated tiled", {8, 4, kRgb, COMPRESSION_PACKBITS, EXTRASAMPLE_ASSOCALPHA, true}, Premultiplied, FivesPixel},
      {"cmyk", {8, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_LZW}, Cmyk, CmykPixel},
      {"jpeg ycbcr", {8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_JPEG}, SmoothRgb, SmoothPixel, 32},
      {"turned: the tag reported, the rows as stored", {8, 3, kRgb, COMPRESSION_NONE, 0, false, 6}, SmoothRgb, SmoothPixel},
  };
  // clang-format on
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    const bool alpha = kind.spec.extra != 0;
    const std::uint16_t turn = kind.spec.orientation;
    ExpectDecodes(kTiff, WriteTiff(kind.spec, kind.sample), alpha ? Pixels::Bgra : Pixels::Bgr,
                  Picture(kind.expected, alpha), kind.minPsnr, turn, turn == 1 ? "" : "icc!");
  }
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
      const bool shown = x >= 0 && y >= 0 && x < kind.width && y < kind.height &&
                         IndexAt(x, y) != kind.transparent;
      for (int c = 2; c >= 0; --c)
        expected.push_back(shown ? PaletteColour(std::uint32_t(IndexAt(x, y)), c) : 0);
      if (alpha) expected.push_back(shown ? 255 : 0);
    }
    ExpectDecodes(kGif, WriteGif(kind), alpha ? Pixels::Bgra : Pixels::Bgr, expected, 0);
  }
}

// Damaged, cut-off and over-sized files are refused with a reason, before pixel memory is taken.
using bmp_loader::DecodeError;
using Open = decltype(&OpenWebp);

Bytes Cut(Bytes file, double kept) {
  return file.resize(std::size_t(double(file.size()) * kept)), file;
}
Bytes Patched(Bytes file, std::size_t at, std::span<const std::uint8_t> bytes) {
  if (at + bytes.size() <= file.size())
    std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
  return file;
}
Bytes Patched(Bytes file, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
  return Patched(std::move(file), at, std::span(bytes.begin(), bytes.size()));
}

// A classic little-endian TIFF of one RGB strip of `declared` bytes, `dataBytes` of them there.
Bytes TinyTiff(std::uint32_t w, std::uint32_t h, std::uint16_t compression, std::uint32_t declared,
               std::size_t dataBytes) {
  const std::uint32_t tags[][3] = {{256, 4, w},           {257, 4, h}, {258, 3, 8},
                                   {259, 3, compression}, {262, 3, 2}, {273, 4, 8 + 2 + 9 * 12 + 4},
                                   {277, 3, 3},           {278, 4, h}, {279, 4, declared}};
  Bytes file = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
  for (const auto& [tag, type, v] : tags) {
    file.insert(file.end(), {std::uint8_t(tag), std::uint8_t(tag >> 8), std::uint8_t(type), 0, 1, 0,
                             0, 0, std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                             std::uint8_t(v >> 24)});
  }
  file.resize(file.size() + 4 + dataBytes, 0x5a);
  return file;
}

// Where the image's size box starts its fields (after "ispe" and its version and flags).
std::size_t IspeAt(const Bytes& file) {
  return std::size_t(std::search(file.begin(), file.end(), "ispe", "ispe" + 4) - file.begin());
}

// An input the fuzzers found, kept under fuzz/regressions/FORMAT/.
Bytes Kept(const std::string& name) { return ReadFile(EVEDA_SOURCE_REGRESSIONS "/" + name); }

// The reader of every format, as a job and the fuzzers open a source.
eveda::Result<std::unique_ptr<RowStream>, SourceError> ThroughReader(const ByteInput& input,
                                                                     const OpenHints& hints) {
  struct Borrowed final : ByteInput {
    explicit Borrowed(const ByteInput& bytes) : bytes(bytes) {}
    std::uint64_t Size() const override { return bytes.Size(); }
    eveda::Result<std::size_t, SourceError> ReadAt(std::uint64_t at,
                                                   std::span<std::uint8_t> out) const override {
      return bytes.ReadAt(at, out);
    }
    const ByteInput& bytes;
  };
  return SourceReader::EveryFormat().OpenStream(std::make_unique<Borrowed>(input), hints);
}

struct Hostile {
  const char* name;
  Open open;
  Bytes file;  // empty: a HEIF libheif could not write here, left out
  DecodeError reason;
  const char* words;  // in the detail
};

TEST(HostileSources, AreRefusedWithAReason) {
  using enum DecodeError;
  const Bytes webp = WriteWebp(Picture(FivesPixel, true), true, true);
  const Bytes gif = WriteGif({"opaque", 0, 0, kW, kH, -1, false});
  const Bytes grey(kW * kH * 3, 90), heic = WriteHeif(grey, false, false),
                                     avif = WriteHeif(grey, false, true);
  const std::uint8_t webpSize[] = {0xff, 0xff, 0xff,
                                   std::uint8_t((webp[24] & 0xf0) | 0x0f)};  // 16384 a side
  // clang-format off
  const Hostile cases[] = {
      {"webp cut short", OpenWebp, Cut(webp, 0.6), Unreadable, "ended early"},
      {"webp of 16384 x 16384 in 200 bytes", OpenWebp, Patched(webp, 21, webpSize), TooLarge, "could hold"},
      {"webp with a damaged bitstream", OpenWebp, Patched(webp, 30, {1, 2, 3, 4, 5, 6, 7, 8}), Unreadable, "damaged"},
      {"tiff whose strip is cut short", OpenTiff, TinyTiff(64, 64, 1, 64 * 64 * 3, 1000), Unreadable, "ended early"},
      {"tiff of 20000 x 20000 (past 2^28 pixels) in 100 KB", OpenTiff, TinyTiff(20000, 20000, 8, 1000, 100000), TooLarge, ""},
      {"tiff of 8000 x 8000 deflated into 200 bytes", OpenTiff, TinyTiff(8000, 8000, 8, 60, 60), TooLarge, "could hold"},
      {"tiff of undeflatable data", OpenTiff, TinyTiff(40, 40, 8, 60, 60), Unreadable, "Decoding error"},
      {"tiff whose lzw strip is cut short", OpenTiff, TinyTiff(40, 40, 5, 600, 20), Unreadable, "got 20 bytes, expected 600"},
      {"tiff with no directory", OpenTiff, Bytes{'I', 'I', 42, 0, 0xff, 0xff, 0, 0}, Unreadable, "directory"},
      {"gif cut short", OpenGif, Cut(gif, 0.7), Unreadable, "read"},
      {"gif of a 65535 x 65535 screen", OpenGif, Patched(gif, 6, {0xff, 0xff, 0xff, 0xff}), TooLarge, ""},
      {"gif frame of 16000 x 16000 in 500 bytes", OpenGif, Patched(gif, 74, {0x80, 0x3e, 0x80, 0x3e}), TooLarge, "could hold"},
      {"heif cut inside its boxes", OpenHeif, Cut(heic, 0.3), Unreadable, "Invalid input"},
      {"heif cut inside its coded picture", OpenHeif, Cut(heic, 0.95), Unreadable, "end of file"},
      {"heif of 65536 x 65536", OpenHeif, Patched(heic, IspeAt(heic) + 8, {0, 1, 0, 0, 0, 1, 0, 0}), TooLarge, "Security limit"},
      {"avif of 16384 x 16384 in 500 bytes", OpenHeif, Patched(avif, IspeAt(avif) + 8, {0, 0, 0x40, 0, 0, 0, 0x40, 0}), TooLarge, "could hold"},
      {"kept: a tag libtiff cannot read, then no strip offsets", ThroughReader, Kept("tiff/unreadable_tag_then_no_strip_offsets.tif"), Unreadable, "MissingRequired: TIFF directory is missing required \"StripOffsets\" field"},
      {"kept: 16-bit grey tiles read at odd addresses", ThroughReader, Kept("tiff/sixteen_bit_grey_tiles_at_odd_addresses.tif"), Unreadable, "Invalid tile byte count"},
      {"kept: a gif screen of 126 million pixels in 374 bytes", ThroughReader, Kept("gif/screen_of_126_million_pixels_in_374_bytes.gif"), TooLarge, "could hold"},
      {"kept: a grid's canvas of 503 megapixels in 1384 bytes", ThroughReader, Kept("heif/grid_canvas_of_503_megapixels_in_1384_bytes.heic"), TooLarge, "Security limit exceeded"},
      {"kept: an avif item of no bytes", ThroughReader, Kept("heif/avif_item_of_no_bytes.avif"), Unreadable, "Decoder plugin generated an error"},
      {"heif of garbage", OpenHeif, Patched(Bytes(64, 7), 4, {'f', 't', 'y', 'p', 'h', 'e', 'i', 'c'}), Unreadable, "ftyp"},
  };
  // clang-format on
  // Every kept input is a case.
  const auto kept = std::count_if(std::begin(cases), std::end(cases),
                                  [](const Hostile& c) { return c.open == ThroughReader; });
  auto files = std::filesystem::recursive_directory_iterator(EVEDA_SOURCE_REGRESSIONS);
  EXPECT_EQ(
      std::count_if(begin(files), end(files), [](const auto& f) { return f.is_regular_file(); }),
      kept);
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.file.empty()) continue;
    MemoryInput input(c.file);  // opened, then read to the last row
    auto stream = c.open(input, {});
    const auto rows = stream ? ReadAll(**stream) : eveda::Unexpected(stream.error());
    ASSERT_FALSE(rows);
    EXPECT_EQ(rows.error().reason, c.reason) << rows.error().detail;
    EXPECT_NE(rows.error().detail.find(c.words), std::string::npos) << rows.error().detail;
    EXPECT_TRUE(c.reason != DecodeError::Unreadable || !rows.error().detail.empty());
  }
}

}  // namespace
}  // namespace formats::testing
