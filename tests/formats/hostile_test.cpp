// Headers read without the pixels, and damaged or hostile files refused with a reason: never a
// crash, never an allocation the file's length cannot justify.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/jpeg/jpeg.h"
#include "formats/png/png.h"
#include "tests/support/image_writers.h"

namespace formats {
namespace {

using eveda::testing::JpegKind;
using eveda::testing::JpegSpec;
using eveda::testing::PngSpec;
using Bytes = std::vector<std::uint8_t>;
using Kind = bmp_loader::DecodeError;

Bytes SmallPng(std::uint32_t width = 300, std::uint32_t height = 40) {
  PngSpec spec{.width = width, .height = height, .colourType = 0, .bitDepth = 8};
  spec.samples.assign(std::size_t{width} * height, 0);
  for (std::size_t i = 0; i < spec.samples.size(); ++i) spec.samples[i] = (i * 7) % 256;
  return eveda::testing::WritePng(spec);
}

Bytes SmallJpeg(bool progressive = false) {
  JpegSpec spec{.width = 64, .height = 48, .progressive = progressive};
  spec.samples = eveda::testing::PhotoLikeSamples(64, 48, 3, 3);
  return eveda::testing::WriteJpeg(spec);
}

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
  }
  return ~crc;
}

void PutBe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// IHDR says width x height, with a valid CRC.
Bytes WithDeclaredSize(Bytes png, std::uint32_t width, std::uint32_t height) {
  PutBe32(&png[16], width);
  PutBe32(&png[20], height);
  PutBe32(&png[29], Crc32(&png[12], 17));
  return png;
}

// The SOF0 of a JPEG from libjpeg says width x height.
Bytes WithJpegSize(Bytes jpeg, std::uint16_t width, std::uint16_t height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = height >> 8, jpeg[i + 6] = height & 0xFF;
      jpeg[i + 7] = width >> 8, jpeg[i + 8] = width & 0xFF;
      return jpeg;
    }
  }
  ADD_FAILURE() << "no SOF0";
  return jpeg;
}

// The file in memory, counting the bytes read from it.
class CountedInput final : public ByteInput {
 public:
  explicit CountedInput(const Bytes& file, std::size_t* bytesRead = nullptr)
      : file_(file), bytesRead_(bytesRead) {}
  std::uint64_t Size() const override { return file_.size(); }
  eveda::Result<std::size_t, SourceError> ReadAt(std::uint64_t offset,
                                                 std::span<std::uint8_t> out) const override {
    const auto n = MemoryInput(file_).ReadAt(offset, out);
    if (bytesRead_) *bytesRead_ += *n;
    return n;
  }

 private:
  const Bytes& file_;
  std::size_t* bytesRead_;
};
CountedInput ReaderOf(const Bytes& file, std::size_t* bytesRead = nullptr) {
  return CountedInput(file, bytesRead);
}

// A PNG or a JPEG, by its signature.
eveda::Result<void, SourceError> DecodeImage(std::span<const std::uint8_t> file, Colour background,
                                             DecodedImage& image) {
  return SniffPng(file) ? DecodePng(file, background, image) : DecodeJpeg(file, image);
}

TEST(ProbeTest, PngSizeFromIhdrAndItsRefusals) {
  const Bytes png = SmallPng();
  const auto size = ProbePng(std::span(png).first(kPngHeadBytes));
  ASSERT_TRUE(size) << size.error().detail;
  EXPECT_EQ(size->width, 300u);
  EXPECT_EQ(size->height, 40u);
  Bytes badCrc = png;
  badCrc[30] ^= 1;
  EXPECT_EQ(ProbePng(badCrc).error().detail, "IHDR CRC mismatch");
  EXPECT_EQ(ProbePng(WithDeclaredSize(png, 0, 5)).error().detail, "invalid image size in IHDR");
  EXPECT_EQ(ProbePng(std::span(png).first(20)).error().reason, Kind::Damaged);
  EXPECT_EQ(ProbePng(SmallJpeg()).error().reason, Kind::NotAnImage);
}

TEST(ProbeTest, JpegSizeSkipsLargeSegmentsWithoutReadingThem) {
  const Bytes plain = SmallJpeg();
  // A 64 KiB APP1 (an EXIF block, say) before the frame header.
  Bytes jpeg(plain.begin(), plain.begin() + 2);
  jpeg.insert(jpeg.end(), {0xFF, 0xE1, 0xFF, 0xFF});
  jpeg.resize(jpeg.size() + 0xFFFD, 0xAB);
  jpeg.insert(jpeg.end(), plain.begin() + 2, plain.end());
  std::size_t bytesRead = 0;
  const auto size = ProbeJpeg(ReaderOf(jpeg, &bytesRead));
  ASSERT_TRUE(size) << size.error().detail;
  EXPECT_EQ(size->width, 64u);
  EXPECT_EQ(size->height, 48u);
  EXPECT_LT(bytesRead, 200u);
  EXPECT_EQ(ProbeJpeg(ReaderOf(WithJpegSize(plain, 64, 0))).error().reason, Kind::Unsupported);
  const Bytes cut(plain.begin(), plain.begin() + 30);
  EXPECT_EQ(ProbeJpeg(ReaderOf(cut)).error().reason, Kind::Damaged);
  EXPECT_EQ(ProbeJpeg(ReaderOf(SmallPng())).error().reason, Kind::NotAnImage);
}

struct HostileCase {
  const char* name;
  Bytes file;
  Kind kind;
  std::string detail;  // empty: the library's words, whatever they are
};

TEST(HostileTest, DamagedAndHugeFilesAreRefusedWithAReason) {
  const Bytes png = SmallPng();
  const Bytes jpeg = SmallJpeg();
  Bytes badIdatCrc = png;
  badIdatCrc[badIdatCrc.size() - 20] ^= 0x55;  // inside the last IDAT (IEND is 12 bytes)
  const HostileCase cases[] = {
      {"PNG cut in its data", Bytes(png.begin(), png.begin() + png.size() / 2), Kind::Damaged, ""},
      {"PNG with a bad IDAT CRC", badIdatCrc, Kind::Damaged, ""},
      {"PNG declaring 2^31-1 x 2^31-1", WithDeclaredSize(png, 0x7FFFFFFF, 0x7FFFFFFF),
       Kind::TooLarge, "the image has more pixels than the limit"},
      {"PNG bomb: 16000 x 16000 in a few kilobytes", WithDeclaredSize(png, 16000, 16000),
       Kind::Damaged, "the file is too short for the image it declares"},
      {"JPEG cut in its data", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3),
       Kind::Damaged, "Premature end of JPEG file"},
      {"JPEG declaring 65000 x 65000", WithJpegSize(jpeg, 65000, 65000), Kind::TooLarge,
       "the image has more pixels than the limit"},
      {"JPEG bomb: 16000 x 16000 in a few kilobytes", WithJpegSize(jpeg, 16000, 16000),
       Kind::Damaged, "the file is too short for the image it declares"},
      {"JPEG signature, then noise", Bytes{0xFF, 0xD8, 0xFF, 0x00, 0x13, 0x37}, Kind::Damaged, ""},
  };
  DecodedImage image;
  for (const HostileCase& c : cases) {
    const auto decoded = DecodeImage(c.file, 0, image);
    ASSERT_FALSE(decoded) << c.name;
    EXPECT_EQ(decoded.error().reason, c.kind) << c.name << ": " << decoded.error().detail;
    EXPECT_FALSE(decoded.error().detail.empty()) << c.name;
    if (!c.detail.empty()) {
      EXPECT_EQ(decoded.error().detail, c.detail) << c.name;
    }
    // Nothing the size of the declared image was taken.
    EXPECT_LT(image.pixels.capacity() + image.scratch.capacity(), 1u << 20) << c.name;
  }
}

TEST(HostileTest, EveryTruncationOfEachFormatFailsCleanly) {
  DecodedImage image;
  // A PNG cut inside IEND, its last 12 bytes, still holds every pixel and checksum.
  const std::pair<Bytes, std::size_t> files[] = {
      {SmallPng(40, 30), 12}, {SmallJpeg(false), 0}, {SmallJpeg(true), 0}};
  for (const auto& [file, tail] : files) {
    for (std::size_t n = 0; n < file.size() - tail; n += 1 + n / 64) {
      const Bytes cut(file.begin(), file.begin() + n);
      EXPECT_FALSE(DecodeImage(cut, 0, image)) << n << " of " << file.size() << " bytes";
    }
    EXPECT_TRUE(DecodeImage(file, 0, image));
  }
}

}  // namespace
}  // namespace formats
