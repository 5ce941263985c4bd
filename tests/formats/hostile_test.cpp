// Headers read without the pixels, and damaged or hostile files refused with a reason: never a
// crash, never an allocation the file's length cannot justify.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>

#include "formats/frame_stream.h"
#include "formats/jpeg/jpeg.h"
#include "formats/png/png.h"
#include "formats/source_reader.h"
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

Bytes SmallJpeg(bool progressive = false, bool arithmetic = false) {
  JpegSpec spec{.width = 64, .height = 48, .progressive = progressive, .arithmetic = arithmetic};
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

// The frame header of a JPEG from libjpeg says width x height.
Bytes WithJpegSize(Bytes jpeg, std::uint16_t width, std::uint16_t height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    const std::uint8_t m = jpeg[i + 1];
    if (jpeg[i] == 0xFF && (m == 0xC0 || m == 0xC2 || m == 0xC9 || m == 0xCA)) {
      jpeg[i + 5] = height >> 8, jpeg[i + 6] = height & 0xFF;
      jpeg[i + 7] = width >> 8, jpeg[i + 8] = width & 0xFF;
      return jpeg;
    }
  }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

Bytes Inserted(Bytes file, std::size_t at, const Bytes& bytes) {
  file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());
  return file;
}

// A PNG chunk: length, type, data, CRC.
Bytes Chunk(std::string_view type, const Bytes& data) {
  Bytes chunk(4);
  PutBe32(chunk.data(), static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type.begin(), type.end());
  chunk.insert(chunk.end(), data.begin(), data.end());
  chunk.resize(chunk.size() + 4);
  PutBe32(&chunk[chunk.size() - 4], Crc32(&chunk[4], chunk.size() - 8));
  return chunk;
}
constexpr std::size_t kAfterIhdr = 33;

// The PNG without its chunk of `type`.
Bytes Without(Bytes png, const char* type) {
  const auto at = std::search(png.begin(), png.end(), type, type + 4) - png.begin() - 4;
  const std::uint32_t length = png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
  png.erase(png.begin() + at, png.begin() + at + 12 + length);
  return png;
}

// A 4-colour palette picture whose PLTE holds only 2 of them.
Bytes ShortPalette() {
  PngSpec spec{.width = 8, .height = 2, .colourType = 3, .bitDepth = 2};
  for (int i = 0; i < 16; ++i) spec.samples.push_back(i % 4);
  spec.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  return Inserted(Without(eveda::testing::WritePng(spec), "PLTE"), kAfterIhdr,
                  Chunk("PLTE", {10, 20, 30, 40, 50, 60}));
}

// The JPEG up to the end of its first scan, then `scans` refinement scans without data.
Bytes WithEmptyScans(const Bytes& jpeg, int scans) {
  const std::uint8_t sos[] = {0xFF, 0xDA};
  const auto first = std::search(jpeg.begin(), jpeg.end(), sos, sos + 2);
  Bytes file(jpeg.begin(), std::search(first + 2, jpeg.end(), sos, sos + 2));
  for (int i = 0; i < scans; ++i) file.insert(file.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0, 1, 63, 0x10});
  file.insert(file.end(), {0xFF, 0xD9});
  return file;
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

// An EXIF block (TIFF form) whose first directory, at `directory`, holds one Orientation.
Bytes Exif(bool big, std::uint16_t value, std::uint32_t directory = 8) {
  Bytes exif = big ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
  const auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) exif.push_back(std::uint8_t(v >> 8 * (big ? n - 1 - i : i)));
  };
  put(42, 2), put(directory, 4), put(1, 2), put(0x0112, 2), put(3, 2), put(1, 4);
  return put(value, 2), put(0, 2), exif;
}

// A JPEG marker segment: the marker, its length, `signature`, then `data`.
Bytes Segment(std::uint8_t marker, std::string_view signature, const Bytes& data) {
  const std::size_t length = 2 + signature.size() + data.size();
  Bytes segment = {0xFF, marker, std::uint8_t(length >> 8), std::uint8_t(length)};
  segment.insert(segment.end(), signature.begin(), signature.end());
  return Inserted(segment, segment.size(), data);
}

// What a stream says of its picture (damaged EXIF leaves it as stored), the size a JPEG shrinks
// to for the hints, and the memory each kind holds once its first row is read.
TEST(ProbeTest, StreamsDescribeOrientationProfileScaleAndMemoryHeld) {
  const Bytes png = SmallPng(64, 48), jpeg = SmallJpeg();
  const std::string icc(300, 'p');
  Bytes iccp = {'s', 'R', 'G', 'B', 0, 0}, deflated(1000);
  uLongf size = deflated.size();
  compress(deflated.data(), &size, reinterpret_cast<const Bytef*>(icc.data()), icc.size());
  iccp.insert(iccp.end(), deflated.begin(), deflated.begin() + size);
  // clang-format off
  const auto exifPng = [&](const Bytes& exif) { return Inserted(png, kAfterIhdr, Chunk("eXIf", exif)); };
  const auto exifJpeg = [&](const Bytes& exif) { return Inserted(jpeg, 2, Segment(0xE1, {"Exif\0\0", 6}, exif)); };
  const Bytes iccJpeg = Inserted(exifJpeg(Exif(false, 8)), 2, Segment(0xE2, {"ICC_PROFILE\0\1\1", 14}, Bytes(icc.begin(), icc.end())));
  const std::vector<std::uint16_t> grey(1000 * 1000, 5);
  const Bytes photo = eveda::testing::PhotoLikeSamples(1024, 1024, 3, 5);
  using eveda::testing::WriteJpeg, eveda::testing::WritePng;
  const struct {
    const char* name; Bytes file; OpenHints hints; Orientation orientation; std::string icc;
    std::uint32_t width, height; std::size_t heldAtLeast, heldBelow;  // after the first row
  } cases[] = {
      {"PNG with eXIf and iCCP", Inserted(exifPng(Exif(false, 6)), kAfterIhdr, Chunk("iCCP", iccp)), {}, 6, icc, 64, 48, 0, 100 << 10},
      {"PNG with big-endian eXIf", exifPng(Exif(true, 3)), {}, 3, "", 64, 48, 0, 100 << 10},
      {"PNG whose eXIf directory lies past its end", exifPng(Exif(true, 3, 900)), {}, 1, "", 64, 48, 0, 100 << 10},
      {"JPEG with EXIF and ICC", iccJpeg, {}, 8, icc, 64, 48, 0, 200 << 10},
      {"JPEG whose orientation is 9", exifJpeg(Exif(true, 9)), {}, 1, "", 64, 48, 0, 200 << 10},
      {"JPEG asked for 16 x 12: a quarter", jpeg, {16, 12}, 1, "", 16, 12, 0, 200 << 10},
      {"JPEG asked for 17 x 12: three eighths", jpeg, {17, 12}, 1, "", 24, 18, 0, 200 << 10},
      {"JPEG asked for more than it has", jpeg, {500, 1}, 1, "", 64, 48, 0, 200 << 10},
      {"plain 1000 x 1000 PNG: libspng's state", WritePng({.width = 1000, .height = 1000, .colourType = 0, .samples = grey}), {}, 1, "", 1000, 1000, 0, 100 << 10},
      {"Adam7 1000 x 1000 PNG: its frame", WritePng({.width = 1000, .height = 1000, .colourType = 0, .interlaced = true, .samples = grey}), {}, 1, "", 1000, 1000, 3000000, 4 << 20},
      {"baseline 1024 x 1024 JPEG: rows of blocks", WriteJpeg({.width = 1024, .height = 1024, .samples = photo}), {}, 1, "", 1024, 1024, 0, 400 << 10},
      {"progressive 1024 x 1024 JPEG: its coefficients", WriteJpeg({.width = 1024, .height = 1024, .progressive = true, .samples = photo}), {}, 1, "", 1024, 1024, 24576 * 128, 4 << 20},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SourceReader& reader = SourceReader::EveryFormat();
    EXPECT_EQ(reader.Probe(MemoryInput(c.file))->orientation, c.orientation);
    EXPECT_EQ(reader.Probe(MemoryInput(c.file))->profiled, !c.icc.empty());
    auto stream = reader.OpenStream(std::make_unique<MemoryInput>(c.file), c.hints);
    ASSERT_TRUE(stream) << stream.error().detail;
    const StreamInfo& info = (*stream)->Info();
    const std::string profile(info.iccProfile.begin(), info.iccProfile.end());
    EXPECT_EQ(std::tuple(info.orientation, profile, info.width, info.height, info.storedHeight),
              std::tuple(c.orientation, c.icc, c.width, c.height, c.width < 100 ? 48 : c.height));
    Bytes row(RowBytes(info.width, info.pixels));
    ASSERT_TRUE((*stream)->Read(row.data(), 0, 1));
    EXPECT_GE((*stream)->BytesHeld(), c.heldAtLeast);
    EXPECT_LT((*stream)->BytesHeld(), c.heldBelow);
  }
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
  Bytes badIdatCrc = png, badIendCrc = png;
  badIdatCrc[badIdatCrc.size() - 20] ^= 0x55;  // inside the last IDAT (IEND is 12 bytes)
  badIendCrc.back() ^= 1;
  const Bytes arithmetic = SmallJpeg(false, true);
  const Bytes huffmanCut(jpeg.begin(), jpeg.begin() + jpeg.size() * 2 / 3);
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
      // clang-format off
      {"PNG cut inside IEND's CRC", Bytes(png.begin(), png.end() - 2), Kind::Damaged, "the file is cut short"},
      {"PNG with a wrong IEND CRC", badIendCrc, Kind::Damaged, "invalid chunk checksum"},
      {"PNG with a chunk length past 2^31", Inserted(png, kAfterIhdr, {0x80, 0, 0, 0, 't', 'E', 'X', 't'}), Kind::Damaged, "chunk exceeds maximum standard length"},
      {"PNG with an unknown critical chunk", Inserted(png, kAfterIhdr, Chunk("ABCD", {1, 2})), Kind::Damaged, "unknown critical chunk"},
      {"palette PNG without PLTE", Without(ShortPalette(), "PLTE"), Kind::Damaged, "missing PLTE for indexed image"},
      {"Huffman JPEG whose data ends early, then EOI", Inserted(huffmanCut, huffmanCut.size(), {0xFF, 0xD9}), Kind::Damaged, "the image data ends before its last rows"},
      {"progressive arithmetic JPEG of 8192 x 8192 in 23 KB", Inserted(WithJpegSize(SmallJpeg(true, true), 8192, 8192), 2, Segment(0xFE, "", Bytes(20000, 0))), Kind::TooLarge, "more coefficients than the file's bytes could hold"},
      {"arithmetic JPEG cut short", Bytes(arithmetic.begin(), arithmetic.end() - 100), Kind::Damaged, "Premature end of JPEG file"},
      {"arithmetic JPEG bomb: 16384 x 16384 in a few kilobytes", WithJpegSize(arithmetic, 16384, 16384), Kind::TooLarge, "more pixels than the file's bytes could hold"},
      {"progressive arithmetic JPEG of 2048 x 2048 with 200 empty scans", WithEmptyScans(WithJpegSize(SmallJpeg(true, true), 2048, 2048), 200), Kind::Damaged, "more scans than the file's length can carry"},
      // clang-format on
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
  // Indexes past the palette are opaque black, whatever the background.
  ASSERT_TRUE(DecodePng(ShortPalette(), 0x336699, image));
  EXPECT_EQ(Bytes(image.Row(0), image.Row(0) + 12),
            (Bytes{30, 20, 10, 60, 50, 40, 0, 0, 0, 0, 0, 0}));
}

TEST(HostileTest, EveryTruncationOfEachFormatFailsCleanly) {
  DecodedImage image;
  const Bytes files[] = {SmallPng(40, 30), SmallJpeg(false), SmallJpeg(true),
                         SmallJpeg(true, true)};
  for (const Bytes& file : files) {
    for (std::size_t n = 0; n < file.size(); n += 1 + n / 64) {
      const Bytes cut(file.begin(), file.begin() + n);
      EXPECT_FALSE(DecodeImage(cut, 0, image)) << n << " of " << file.size() << " bytes";
    }
    EXPECT_TRUE(DecodeImage(file, 0, image));
  }
}

}  // namespace
}  // namespace formats

namespace formats {
namespace {

// A grey PNG of side x side zeros, deflated a row at a time as an encoder streams it: a file of a
// few hundred kilobytes whose frame would take hundreds of megabytes.
Bytes ZerosPng(std::uint32_t side) {
  const Bytes grey = SmallPng();
  Bytes png = WithDeclaredSize(Bytes(grey.begin(), grey.begin() + kAfterIhdr), side, side);
  Bytes data, out(1 << 16);
  z_stream z{};
  deflateInit(&z, 9);
  Bytes row(side + 1, 0);  // the filter byte, then the samples: a few bytes of output a row
  for (std::uint32_t y = 0; y < side; ++y) {
    z.next_in = row.data(), z.avail_in = static_cast<uInt>(row.size());
    z.next_out = out.data(), z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, y + 1 == side ? Z_FINISH : Z_NO_FLUSH);
    data.insert(data.end(), out.data(), z.next_out);
  }
  deflateEnd(&z);
  png = Inserted(png, png.size(), Chunk("IDAT", data));
  return Inserted(png, png.size(), Chunk("IEND", {}));
}

// The address space in use now, from /proc.
std::uint64_t AddressSpaceBytes() {
  std::uint64_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// The stream read to its last row in a child given `headroom` more address space than the parent
// uses: 0 when every row arrived as zeros, else 100 plus the reason it failed.
int StreamedWithin(const Bytes& file, std::uint64_t headroom) {
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{AddressSpaceBytes() + headroom, AddressSpaceBytes() + headroom};
    setrlimit(RLIMIT_AS, &limit);
    auto stream = SniffPng(file) ? OpenPngStream(std::make_unique<MemoryInput>(file))
                                 : OpenJpegStream(std::make_unique<MemoryInput>(file), {});
    if (!stream) _exit(100 + static_cast<int>(stream.error().reason));
    const StreamInfo& info = (*stream)->Info();
    std::vector<std::uint8_t> row(RowBytes(info.width, info.pixels));
    for (std::uint32_t y = 0; y < info.height; ++y) {
      if (auto read = (*stream)->Read(row.data(), 0, 1); !read)
        _exit(100 + static_cast<int>(read.error().reason));
      if (std::any_of(row.begin(), row.end(), [](std::uint8_t v) { return v != 0; })) _exit(1);
    }
    _exit(0);
  }
  int status = -1;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MemoryBoundTest, RowsStreamInLittleMemoryAndWholeFramesFailAsOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's shadow memory leaves no address space to limit";
#endif
  EXPECT_EQ(StreamedWithin(ZerosPng(16000), 64 << 20), 0);  // 256 MB of rows in 64 MiB
  JpegSpec grey{.width = 4096, .height = 4096, .kind = JpegKind::Grey, .progressive = true};
  grey.samples.assign(std::size_t{4096} * 4096, 0);  // 32 MB of coefficients in 16 MiB
  const int status = StreamedWithin(eveda::testing::WriteJpeg(grey), 16 << 20);
  EXPECT_EQ(status, 100 + static_cast<int>(Kind::OutOfMemory));
}

}  // namespace
}  // namespace formats
