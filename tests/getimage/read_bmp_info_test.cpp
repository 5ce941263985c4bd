#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "getimage/getimage.h"
#include "platform/bmp_format/bmp_format.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/temp_dir.h"

namespace {

using GetImage::BMPInfo;
using Bytes = std::string;

using eveda::testing::TempDir;

// Headers alone, with the file size and the pixel offset left 0 as a careless writer leaves
// them.
Bytes Headers(eveda::testing::BmpSpec spec) {
  spec.fileSize = 0;
  spec.offBits = 0;
  spec.pelsPerMeter = 0;
  const std::vector<std::uint8_t> bytes = eveda::testing::BuildBmp(spec, {});
  return {bytes.begin(), bytes.end()};
}

// The first 54 bytes of a file with a 40-byte information header; bfSize and bfOffBits 0.
Bytes InfoHeader(std::uint32_t width, std::uint32_t height, std::uint16_t bitCount) {
  return Headers({.width = static_cast<std::int32_t>(width),
                  .height = static_cast<std::int32_t>(height),
                  .bitCount = bitCount});
}

// A 12-byte core header: 16-bit width, height, planes and bit count from offset 18.
Bytes CoreHeader(std::uint16_t width, std::uint16_t height, std::uint16_t bitCount) {
  const Bytes bytes =
      Headers({.headerSize = 12, .width = width, .height = height, .bitCount = bitCount});
  return bytes + Bytes(6, '\x7F');  // a palette entry and a pixel that must not be read as size
}

// A whole uncompressed file: the header, any colour table the depth needs, and every row.
Bytes WithRows(Bytes header, std::int64_t width, std::int64_t height, int bitCount) {
  const std::int64_t rows = height < 0 ? -height : height;
  const std::int64_t table = bitCount <= 8 ? std::int64_t{4} << bitCount : 0;
  const auto stride = static_cast<std::size_t>(bmp_format::RowStride(width, bitCount));
  return header + Bytes(static_cast<std::size_t>(table), '\0') +
         Bytes(stride * static_cast<std::size_t>(rows), '\x55');
}

struct ProbeCase {
  const char* what;
  Bytes bytes;
  BMPInfo expected;
};

std::ostream& operator<<(std::ostream& out, const ProbeCase& c) { return out << c.what; }

// Sizes count only for files the loader would draw; a file that starts with "BM" but would
// be refused is a bitmap of no size, so that it cannot set every cell of the job.
const ProbeCase kProbeCases[] = {
    {"640x480x24", WithRows(InfoHeader(640, 480, 24), 640, 480, 24), {1, 640, 480, 24}},
    {"fewer rows than the header claims",
     InfoHeader(640, 480, 24) + Bytes(1000, '\x55'),
     {1, 0, 0, 0}},
    {"54 bytes claiming 65536x65536", InfoHeader(65536, 65536, 24), {1, 0, 0, 0}},
    {"54 bytes claiming 16384x16384", InfoHeader(16384, 16384, 24), {1, 0, 0, 0}},
    {"signature only", "BM", {1, 0, 0, 0}},
    {"one byte", "B", {0, 0, 0, 0}},
    {"empty", "", {0, 0, 0, 0}},
    {"BA signature", "BA" + InfoHeader(640, 480, 24).substr(2), {0, 0, 0, 0}},
    {"lower-case signature", "bm" + InfoHeader(640, 480, 24).substr(2), {0, 0, 0, 0}},
    {"other data", "\x89PNG\r\n\x1a\n" + Bytes(100, '\x01'), {0, 0, 0, 0}},
    {"short header", InfoHeader(0x01020304, 0x05060708, 32).substr(0, 24), {1, 0, 0, 0}},
    {"core header", WithRows(CoreHeader(30, 20, 8).substr(0, 26), 30, 20, 8), {1, 30, 20, 8}},
    {"core header without its colour table", CoreHeader(300, 200, 8), {1, 0, 0, 0}},
    {"core header at 16-bit limits", CoreHeader(0xFFFF, 0x8000, 24), {1, 0, 0, 0}},
    {"largest width", InfoHeader(0x7FFFFFFF, 1, 1), {1, 0, 0, 0}},
    {"width of 2^31", InfoHeader(0x80000000, 1, 1), {1, 0, 0, 0}},
    {"negative width", InfoHeader(static_cast<std::uint32_t>(-5), 7, 8), {1, 0, 0, 0}},
    {"top-down height",
     WithRows(InfoHeader(64, static_cast<std::uint32_t>(-48), 24), 64, 48, 24),
     {1, 64, 48, 24}},
    {"height of -2^31", InfoHeader(3, 0x80000000, 24), {1, 0, 0, 0}},
    {"largest bit count", InfoHeader(1, 1, 0xFFFF), {1, 0, 0, 0}},
    {"2 bits per pixel", WithRows(InfoHeader(9, 3, 2), 9, 3, 2), {1, 9, 3, 2}},
    {"JPEG inside",
     Headers({.width = 8, .height = 8, .bitCount = 24, .compression = bmp_format::BI_JPEG}) +
         Bytes(500, '\x01'),
     {1, 0, 0, 0}},
    {"RLE8 stream",
     Headers({.width = 40, .height = 30, .bitCount = 8, .compression = bmp_format::BI_RLE8}) +
         Bytes(1024, '\0') + Bytes{0, 1},  // end of bitmap
     {1, 40, 30, 8}},
};

class ReadBMPInfoTest : public testing::TestWithParam<ProbeCase> {};

TEST_P(ReadBMPInfoTest, ReadsTheDeclaredSize) {
  TempDir dir;
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.WriteFile("probe.bmp", GetParam().bytes)),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ReadBMPInfoTest, testing::ValuesIn(kProbeCases));

TEST(ReadBMPInfoTest, NamesThatAreNotVisibleFilesGiveZeroRecord) {
  TempDir dir;
  dir.WriteFile(".hidden.bmp", WithRows(InfoHeader(64, 48, 24), 64, 48, 24));
  std::filesystem::create_directory(dir.PathOf("folder.bmp"));
  std::filesystem::create_symlink("missing.bmp", dir.PathOf("dangling.bmp"));
  ASSERT_EQ(mkfifo(dir.PathOf("fifo.bmp").c_str(), 0600), 0);  // no writer: an open would wait
  for (const char* name :
       {"missing.bmp", ".hidden.bmp", "folder.bmp", "dangling.bmp", "fifo.bmp"}) {
    EXPECT_EQ(GetImage::ReadBMPInfo(dir.PathOf(name)), BMPInfo{}) << name;
    EXPECT_FALSE(GetImage::FileHasData(dir.PathOf(name))) << name;
  }
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.PathOf("folder.bmp") + "/"), BMPInfo{});
  EXPECT_EQ(GetImage::ReadBMPInfo(""), BMPInfo{});
}

TEST(ReadBMPInfoTest, FollowsLinksAndHiddenDirectoriesDoNotHideFiles) {
  TempDir dir;
  std::filesystem::create_directory(dir.PathOf(".cache"));
  dir.WriteFile(".cache/real.bmp", WithRows(InfoHeader(16, 9, 8), 16, 9, 8));
  std::filesystem::create_symlink(".cache/real.bmp", dir.PathOf("link.bmp"));
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.PathOf(".cache/real.bmp")), (BMPInfo{1, 16, 9, 8}));
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.PathOf("link.bmp")), (BMPInfo{1, 16, 9, 8}));
}

TEST(ReadBMPInfoTest, UnreadableFileGivesZeroRecord) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  TempDir dir;
  const std::string path = dir.WriteFile("locked.bmp", InfoHeader(640, 480, 24));
  chmod(path.c_str(), 0);
  EXPECT_TRUE(GetImage::FileHasData(path));
  EXPECT_EQ(GetImage::ReadBMPInfo(path), BMPInfo{});
}

TEST(FileHasDataTest, NeedsAtLeastTwoBytes) {
  TempDir dir;
  EXPECT_FALSE(GetImage::FileHasData(dir.WriteFile("zero", "")));
  EXPECT_FALSE(GetImage::FileHasData(dir.WriteFile("one", "x")));
  EXPECT_TRUE(GetImage::FileHasData(dir.WriteFile("two", "xy")));
}

}  // namespace
