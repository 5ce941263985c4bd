// Writes the seed corpora of the PNG and JPEG decoder fuzzers: every PNG colour type and depth
// (plain, Adam7, with tRNS, tiny and photo-sized) and every JPEG kind (baseline, progressive,
// arithmetic-coded, with restart markers, in several chroma subsamplings).
// Usage: image_seeds PNG_DIR JPEG_DIR

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "tests/support/image_writers.h"

namespace {

using eveda::testing::JpegKind;

bool Save(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// The arithmetic-coded progressive file's frame made `height` rows tall, its data unchanged: the
// data then ends long before the frame does.
std::vector<std::uint8_t> Taller(std::vector<std::uint8_t> jpeg, std::uint16_t height) {
  for (std::size_t i = 2; i + 6 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xCA) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height);
      break;
    }
  }
  return jpeg;
}

// The file up to the end of its first scan, then `scans` refinement scans with no data.
std::vector<std::uint8_t> EmptyScans(const std::vector<std::uint8_t>& jpeg, int scans) {
  const std::uint8_t sos[] = {0xFF, 0xDA};
  const auto first = std::search(jpeg.begin(), jpeg.end(), sos, sos + 2);
  std::vector<std::uint8_t> file(jpeg.begin(), std::search(first + 2, jpeg.end(), sos, sos + 2));
  for (int i = 0; i < scans; ++i) file.insert(file.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0, 1, 63, 0x10});
  file.insert(file.end(), {0xFF, 0xD9});
  return file;
}

// The file's first `scans` scans, then its end: a progressive file whose coefficients are not
// all refined, which the decoder's block smoothing fills in.
std::vector<std::uint8_t> FirstScans(const std::vector<std::uint8_t>& jpeg, int scans) {
  const std::uint8_t sos[] = {0xFF, 0xDA};
  auto end = jpeg.begin();
  for (int i = 0; i <= scans && end != jpeg.end(); ++i)
    end = std::search(end + (i > 0 ? 2 : 0), jpeg.end(), sos, sos + 2);
  std::vector<std::uint8_t> file(jpeg.begin(), end);
  file.insert(file.end(), {0xFF, 0xD9});
  return file;
}

// `png` with `chunks` (type, then data) after its chunk `after`, each with its CRC, so that the
// ancillary chunks' parsers see well-formed ones to start from.
std::vector<std::uint8_t> WithChunks(std::vector<std::uint8_t> png, const char* after,
                                     const std::vector<std::string>& chunks) {
  std::vector<std::uint8_t> added;
  for (const std::string& chunk : chunks) {
    const std::uint32_t length = static_cast<std::uint32_t>(chunk.size() - 4);
    for (int shift : {24, 16, 8, 0}) added.push_back(static_cast<std::uint8_t>(length >> shift));
    added.insert(added.end(), chunk.begin(), chunk.end());
    const std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(chunk.size())));
    for (int shift : {24, 16, 8, 0}) added.push_back(static_cast<std::uint8_t>(crc >> shift));
  }
  const auto type = std::search(png.begin(), png.end(), after, after + 4);
  const std::size_t length = std::size_t{type[-4]} << 24 | std::size_t{type[-3]} << 16 |
                             std::size_t{type[-2]} << 8 | type[-1];
  png.insert(type + 4 + static_cast<std::ptrdiff_t>(length) + 4, added.begin(), added.end());
  return png;
}

// The file once for each shrink the fuzzer asks for by the length's last three bits: the
// bytes after its end marker, which decoders pass over, make up the length.
int SaveAtEveryShrink(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  int written = 0;
  for (std::size_t eighths = 0; eighths < 8; ++eighths) {
    std::vector<std::uint8_t> file = bytes;
    file.resize(file.size() + (eighths + 8 - file.size() % 8) % 8, 0);
    std::filesystem::path name = path;
    name.replace_extension("e" + std::to_string(eighths) + path.extension().string());
    written += Save(name, file);
  }
  return written;
}

std::string Deflated(const std::string& text) {
  std::vector<Bytef> out(compressBound(static_cast<uLong>(text.size())));
  uLongf size = static_cast<uLongf>(out.size());
  compress(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()),
           static_cast<uLong>(text.size()));
  return std::string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PNG_DIR JPEG_DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path png = argv[1], jpeg = argv[2];
  std::filesystem::create_directories(png);
  std::filesystem::create_directories(jpeg);
  int written = 0;
  const int kinds[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                          {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  // A tiny pattern reaches every sample path; a photo-sized picture takes inputs past the
  // first IDAT, through every filter libpng picks.
  for (const auto& [type, depth] : kinds) {
    for (const int size : {0, 1}) {
      for (const bool interlaced : {false, true}) {
        const std::uint32_t width = size ? 64 : 9, height = size ? 48 : 7;
        eveda::testing::PngSpec spec{.width = width,
                                     .height = height,
                                     .colourType = type,
                                     .bitDepth = depth,
                                     .interlaced = interlaced};
        const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
        for (const std::uint8_t v : eveda::testing::PhotoLikeSamples(width, height, channels, 7))
          spec.samples.push_back(depth == 16 ? v * 257 : v >> (8 - depth));
        for (int i = 0; type == 3 && i < 1 << depth; ++i)
          spec.palette.insert(spec.palette.end(), {std::uint8_t(i), std::uint8_t(255 - i), 9});
        if (type == 3) spec.paletteAlpha = {128, 0};
        if (type == 0 || type == 2) spec.transparentKey.assign(channels, 1);
        const std::string name = "t" + std::to_string(type) + "d" + std::to_string(depth) +
                                 (size ? "photo" : "") + (interlaced ? "i" : "") + ".png";
        written += Save(png / name, eveda::testing::WritePng(spec));
      }
    }
  }
  // Every ancillary chunk libspng parses, on an RGB picture and on a palette one.
  using namespace std::string_literals;
  eveda::testing::PngSpec rgb{.width = 9, .height = 7};
  for (const std::uint8_t v : eveda::testing::PhotoLikeSamples(9, 7, 3, 7))
    rgb.samples.push_back(v);
  const std::vector<std::string> common = {"gAMA\0\0\xB1\x8F"s,
                                           "cHRM"s + std::string(32, '\x10'),
                                           "sBIT\x08\x08\x08"s,
                                           "pHYs\0\0\x0B\x13\0\0\x0B\x13\x01"s,
                                           "tIME\x07\xEA\x0C\x08\x06\x00\x00"s,
                                           "tEXtTitle\0eveda"s,
                                           "zTXtComment\0\0"s + Deflated("a contact sheet"),
                                           "iTXtKey\0\0\0en\0Schl\xC3\xBCssel\0text"s,
                                           "iTXtZipped\0\x01\0\0\0"s + Deflated("zipped"),
                                           "oFFs\0\0\0\x01\0\0\0\x02\x00"s,
                                           "sCAL\x01"
                                           "1.5\0"
                                           "2.5"s,
                                           "sPLTpalette\0\x08\x01\x02\x03\xFF\0\x01"s,
                                           "iCCPprofile\0\0"s + Deflated(std::string(128, '\0')),
                                           "eXIfMM\0*\0\0\0\x08\0\0"s};
  std::vector<std::string> rgbChunks = common;
  rgbChunks.push_back("bKGD\0\x01\0\x02\0\x03"s);
  written +=
      Save(png / "ancillary.png", WithChunks(eveda::testing::WritePng(rgb), "IHDR", rgbChunks));
  written +=
      Save(png / "srgb.png", WithChunks(eveda::testing::WritePng(rgb), "IHDR", {"sRGB\x01"s}));
  eveda::testing::PngSpec indexed{.width = 4,
                                  .height = 2,
                                  .colourType = 3,
                                  .bitDepth = 8,
                                  .samples = {0, 1, 2, 1, 0, 2, 1, 0},
                                  .palette = {255, 0, 0, 0, 255, 0, 0, 0, 255}};
  std::vector<std::string> indexedChunks = common;
  indexedChunks.insert(indexedChunks.end(), {"bKGD\x01"s, "hIST\0\x01\0\x02\0\x03"s});
  written += Save(png / "ancillary-indexed.png",
                  WithChunks(eveda::testing::WritePng(indexed), "PLTE", indexedChunks));
  // Every colour space in every entropy coding and scan order; YCbCr also in the common
  // chroma subsamplings, with and without restart markers.
  const JpegKind jpegKinds[] = {JpegKind::Grey, JpegKind::YCbCr, JpegKind::Cmyk, JpegKind::Ycck};
  const int samplings[][2] = {{0, 0}, {1, 1}, {2, 1}, {1, 2}, {4, 1}};
  for (const JpegKind kind : jpegKinds) {
    for (const auto& [h, v] : samplings) {
      for (const int mode :
           {0, 1, 2, 3, 4}) {  // baseline, progressive, arithmetic of both, restarts
        if (h > 0 && kind != JpegKind::YCbCr) continue;
        const int channels = kind == JpegKind::Grey ? 1 : kind == JpegKind::YCbCr ? 3 : 4;
        eveda::testing::JpegSpec spec{.width = 40,
                                      .height = 24,
                                      .kind = kind,
                                      .progressive = mode % 2 == 1,
                                      .quality = 75,
                                      .arithmetic = mode == 2 || mode == 3,
                                      .restartInterval = mode == 4 ? 2 : 0,
                                      .hSampling = h,
                                      .vSampling = v};
        spec.samples = eveda::testing::PhotoLikeSamples(40, 24, channels, 5);
        const std::string name = "k" + std::to_string(static_cast<int>(kind)) + "s" +
                                 std::to_string(h) + std::to_string(v) + "m" +
                                 std::to_string(mode) + ".jpg";
        written += SaveAtEveryShrink(jpeg / name, eveda::testing::WriteJpeg(spec));
      }
    }
  }
  // Progressive files cut after each of their scans but the last.
  for (const JpegKind kind : {JpegKind::Grey, JpegKind::YCbCr, JpegKind::Cmyk}) {
    for (const bool arithmetic : {false, true}) {
      const int channels = kind == JpegKind::Grey ? 1 : kind == JpegKind::YCbCr ? 3 : 4;
      eveda::testing::JpegSpec spec{.width = 48,
                                    .height = 40,
                                    .kind = kind,
                                    .progressive = true,
                                    .quality = 75,
                                    .arithmetic = arithmetic};
      spec.samples = eveda::testing::PhotoLikeSamples(48, 40, channels, 3);
      const std::vector<std::uint8_t> whole = eveda::testing::WriteJpeg(spec);
      for (int scans = 1;; ++scans) {
        const std::vector<std::uint8_t> cut = FirstScans(whole, scans);
        if (cut.size() >= whole.size()) break;
        const std::string name = "k" + std::to_string(static_cast<int>(kind)) + "a" +
                                 std::to_string(arithmetic) + "scans" + std::to_string(scans) +
                                 ".jpg";
        written += SaveAtEveryShrink(jpeg / name, cut);
      }
    }
  }
  // A photograph's size, turned by its EXIF and carrying an ICC profile and a comment after
  // SOI, so that the tags' readers have real segments to start from.
  eveda::testing::JpegSpec photo{.width = 256,
                                 .height = 192,
                                 .quality = 90,
                                 .hSampling = 2,
                                 .vSampling = 2,
                                 .exif = eveda::testing::ExifOrientation(6)};
  photo.samples = eveda::testing::PhotoLikeSamples(256, 192, 3, 11);
  std::vector<std::uint8_t> tagged = eveda::testing::WriteJpeg(photo);
  std::vector<std::uint8_t> segments = {0xFF, 0xFE, 0, 7, 'e', 'v', 'e', 'd', 'a'};
  const std::string icc = std::string("ICC_PROFILE\0\x01\x01", 14) + std::string(128, '\0');
  segments.insert(segments.end(), {0xFF, 0xE2, 0, static_cast<std::uint8_t>(icc.size() + 2)});
  segments.insert(segments.end(), icc.begin(), icc.end());
  tagged.insert(tagged.begin() + 2, segments.begin(), segments.end());
  written += SaveAtEveryShrink(jpeg / "photo-tagged.jpg", tagged);
  // The costly shapes: arithmetic data that ends early, and a flood of scans.
  eveda::testing::JpegSpec arithmetic{
      .width = 40, .height = 24, .progressive = true, .arithmetic = true};
  arithmetic.samples = eveda::testing::PhotoLikeSamples(40, 24, 3, 5);
  const std::vector<std::uint8_t> file = eveda::testing::WriteJpeg(arithmetic);
  written += Save(jpeg / "arithmetic-ends-early.jpg", Taller(file, 2000));
  written += Save(jpeg / "empty-scans.jpg", EmptyScans(file, 300));
  std::printf("%d seed files in %s and %s\n", written, png.c_str(), jpeg.c_str());
  return 0;
}
