// Damaged, cut-off and over-sized files: each source format refuses them with a reason, before
// taking memory for pixels the file cannot hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "formats/gif/gif_decoder.h"
#include "formats/heif/heif_decoder.h"
#include "formats/tiff/tiff_decoder.h"
#include "formats/webp/webp_decoder.h"
#include "tests/formats/pictures.h"

namespace formats::testing {
namespace {

using eveda::bmp::DecodeError;
using Open = eveda::Result<std::unique_ptr<RowStream>, SourceError> (*)(const ByteInput&, const OpenHints&);

// The error of opening `file` and reading every row, or nothing when all went well.
std::optional<SourceError> FirstError(Open open, const Bytes& file) {
  MemoryInput input(file);
  auto stream = open(input, {});
  if (!stream) return stream.error();
  Bytes row(std::size_t((*stream)->Info().width) * 4);
  for (std::uint32_t y = 0; y < (*stream)->Info().height; ++y) {
    if (auto read = (*stream)->Read(row.data(), 0, 1); !read) return read.error();
  }
  return std::nullopt;
}

Bytes Cut(Bytes file, double kept) { return file.resize(std::size_t(double(file.size()) * kept)), file; }
Bytes Patched(Bytes file, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
  return file;
}

// A classic little-endian TIFF of one RGB strip of `declared` bytes, `dataBytes` of them there.
Bytes TinyTiff(std::uint32_t w, std::uint32_t h, std::uint16_t compression, std::uint32_t declared, std::size_t dataBytes) {
  const std::uint32_t tags[][3] = {{256, 4, w}, {257, 4, h}, {258, 3, 8}, {259, 3, compression}, {262, 3, 2},
                                   {273, 4, 8 + 2 + 9 * 12 + 4}, {277, 3, 3}, {278, 4, h}, {279, 4, declared}};
  Bytes file = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
  for (const auto& [tag, type, v] : tags) {
    file.insert(file.end(), {std::uint8_t(tag), std::uint8_t(tag >> 8), std::uint8_t(type), 0, 1, 0, 0, 0,
                             std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
  }
  file.resize(file.size() + 4 + dataBytes, 0x5a);
  return file;
}

// Where the image's size box starts its fields (after "ispe" and its version and flags).
std::size_t IspeAt(const Bytes& file) {
  const char name[] = "ispe";
  return std::size_t(std::search(file.begin(), file.end(), name, name + 4) - file.begin());
}

struct Hostile {
  const char* name;
  Open open;
  Bytes file;
  DecodeError reason;
  const char* words;  // in the detail
};

void ExpectRefused(std::span<const Hostile> cases) {
  for (const Hostile& c : cases) {
    SCOPED_TRACE(c.name);
    const auto error = FirstError(c.open, c.file);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->reason, c.reason) << error->detail;
    EXPECT_NE(error->detail.find(c.words), std::string::npos) << error->detail;
    EXPECT_TRUE(c.reason != DecodeError::Unreadable || !error->detail.empty());
  }
}

TEST(HostileSources, AreRefusedWithAReason) {
  Bytes clear;
  for (std::uint32_t i = 0; i < kW * kH * 4; ++i) clear.push_back(std::uint8_t(i * 7));
  const Bytes webp = WriteWebp(clear, true, true);
  const Bytes gif = WriteGif({"opaque", 0, 0, kW, kH, -1, false});
  const Hostile cases[] = {
      {"webp cut short", OpenWebp, Cut(webp, 0.6), DecodeError::Unreadable, "ended early"},
      {"webp of 16384 x 16384 in 200 bytes", OpenWebp, Patched(webp, 21, {0xff, 0xff, 0xff, std::uint8_t((webp[24] & 0xf0) | 0x0f)}), DecodeError::TooLarge, "could hold"},
      {"webp with a damaged bitstream", OpenWebp, Patched(webp, 30, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), DecodeError::Unreadable, "damaged"},
      {"not webp", OpenWebp, Bytes(40, 'R'), DecodeError::Unreadable, "damaged"},
      {"tiff whose strip is cut short", OpenTiff, TinyTiff(64, 64, 1, 64 * 64 * 3, 1000), DecodeError::Unreadable, "ended early"},
      {"tiff of 100000 x 100000", OpenTiff, TinyTiff(100000, 100000, 8, 1000, 1000), DecodeError::TooLarge, ""},
      {"tiff of 8000 x 8000 deflated into 200 bytes", OpenTiff, TinyTiff(8000, 8000, 8, 60, 60), DecodeError::TooLarge, "could hold"},
      {"tiff of undeflatable data", OpenTiff, TinyTiff(40, 40, 8, 60, 60), DecodeError::Unreadable, "Decoding error"},
      {"tiff whose lzw strip is cut short", OpenTiff, TinyTiff(40, 40, 5, 600, 20), DecodeError::Unreadable, "got 20 bytes, expected 600"},
      {"tiff with no directory", OpenTiff, Bytes{'I', 'I', 42, 0, 0xff, 0xff, 0, 0}, DecodeError::Unreadable, "directory"},
      {"gif cut short", OpenGif, Cut(gif, 0.7), DecodeError::Unreadable, "read"},
      {"gif of a 65535 x 65535 screen", OpenGif, Patched(gif, 6, {0xff, 0xff, 0xff, 0xff}), DecodeError::TooLarge, ""},
      {"gif frame of 16000 x 16000 in 500 bytes", OpenGif, Patched(gif, 74, {0x80, 0x3e, 0x80, 0x3e}), DecodeError::TooLarge, "could hold"},
  };
  ExpectRefused(cases);
}

TEST(HostileSources, HeifIsRefusedWithAReason) {
  Bytes rgb(kW * kH * 3, 90);
  const Bytes heic = WriteHeif(rgb, false, false), avif = WriteHeif(rgb, false, true);
  if (heic.empty() || avif.empty()) GTEST_SKIP() << "libheif cannot encode HEVC and AV1 here";
  const Hostile cases[] = {
      {"heif cut inside its boxes", OpenHeif, Cut(heic, 0.3), DecodeError::Unreadable, "Invalid input"},
      {"heif cut inside its coded picture", OpenHeif, Cut(heic, 0.95), DecodeError::Unreadable, "end of file"},
      {"heif of 65536 x 65536", OpenHeif, Patched(heic, IspeAt(heic) + 8, {0, 1, 0, 0, 0, 1, 0, 0}), DecodeError::TooLarge, "Security limit"},
      {"avif of 16384 x 16384 in 500 bytes", OpenHeif, Patched(avif, IspeAt(avif) + 8, {0, 0, 0x40, 0, 0, 0, 0x40, 0}), DecodeError::TooLarge, "could hold"},
      {"heif of garbage", OpenHeif, Patched(Bytes(64, 7), 4, {'f', 't', 'y', 'p', 'h', 'e', 'i', 'c'}), DecodeError::Unreadable, "ftyp"},
  };
  ExpectRefused(cases);
}

}  // namespace
}  // namespace formats::testing
