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

namespace {

using GetImage::BMPInfo;
using Bytes = std::string;

class ProbeDir {
 public:
  ProbeDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "eveda-getimage-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
  }
  ~ProbeDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
    return (root_ / name).string();
  }
  std::string Path(const std::string& name) const { return (root_ / name).string(); }

 private:
  std::filesystem::path root_;
};

void PutLE(Bytes& bytes, std::size_t offset, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// The first 54 bytes of a file with a 40-byte information header.
Bytes InfoHeader(std::uint32_t width, std::uint32_t height, std::uint16_t bitCount) {
  Bytes bytes(54, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLE(bytes, 14, 40, 4);
  PutLE(bytes, 18, width, 4);
  PutLE(bytes, 22, height, 4);
  PutLE(bytes, 26, 1, 2);
  PutLE(bytes, 28, bitCount, 2);
  return bytes;
}

// A 12-byte core header: 16-bit width, height, planes and bit count from offset 18.
Bytes CoreHeader(std::uint16_t width, std::uint16_t height, std::uint16_t bitCount) {
  Bytes bytes(26, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  PutLE(bytes, 14, 12, 4);
  PutLE(bytes, 18, width, 2);
  PutLE(bytes, 20, height, 2);
  PutLE(bytes, 22, 1, 2);
  PutLE(bytes, 24, bitCount, 2);
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
     [] {
       Bytes b = InfoHeader(8, 8, 24) + Bytes(500, '\x01');
       PutLE(b, 30, bmp_format::BI_JPEG, 4);
       return b;
     }(),
     {1, 0, 0, 0}},
    {"RLE8 stream",
     [] {
       Bytes b = InfoHeader(40, 30, 8) + Bytes(1024, '\0') + Bytes{0, 1};  // end of bitmap
       PutLE(b, 30, bmp_format::BI_RLE8, 4);
       return b;
     }(),
     {1, 40, 30, 8}},
};

class ReadBMPInfoTest : public testing::TestWithParam<ProbeCase> {};

TEST_P(ReadBMPInfoTest, ReadsTheDeclaredSize) {
  ProbeDir dir;
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.Write("probe.bmp", GetParam().bytes)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ReadBMPInfoTest, testing::ValuesIn(kProbeCases));

TEST(ReadBMPInfoTest, NamesThatAreNotVisibleFilesGiveZeroRecord) {
  ProbeDir dir;
  dir.Write(".hidden.bmp", WithRows(InfoHeader(64, 48, 24), 64, 48, 24));
  std::filesystem::create_directory(dir.Path("folder.bmp"));
  std::filesystem::create_symlink("missing.bmp", dir.Path("dangling.bmp"));
  ASSERT_EQ(mkfifo(dir.Path("fifo.bmp").c_str(), 0600), 0);  // no writer: an open would wait
  for (const char* name :
       {"missing.bmp", ".hidden.bmp", "folder.bmp", "dangling.bmp", "fifo.bmp"}) {
    EXPECT_EQ(GetImage::ReadBMPInfo(dir.Path(name)), BMPInfo{}) << name;
    EXPECT_FALSE(GetImage::FileHasData(dir.Path(name))) << name;
  }
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.Path("folder.bmp") + "/"), BMPInfo{});
  EXPECT_EQ(GetImage::ReadBMPInfo(""), BMPInfo{});
}

TEST(ReadBMPInfoTest, FollowsLinksAndHiddenDirectoriesDoNotHideFiles) {
  ProbeDir dir;
  std::filesystem::create_directory(dir.Path(".cache"));
  dir.Write(".cache/real.bmp", WithRows(InfoHeader(16, 9, 8), 16, 9, 8));
  std::filesystem::create_symlink(".cache/real.bmp", dir.Path("link.bmp"));
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.Path(".cache/real.bmp")), (BMPInfo{1, 16, 9, 8}));
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.Path("link.bmp")), (BMPInfo{1, 16, 9, 8}));
}

TEST(ReadBMPInfoTest, UnreadableFileGivesZeroRecord) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  ProbeDir dir;
  const std::string path = dir.Write("locked.bmp", InfoHeader(640, 480, 24));
  chmod(path.c_str(), 0);
  EXPECT_TRUE(GetImage::FileHasData(path));
  EXPECT_EQ(GetImage::ReadBMPInfo(path), BMPInfo{});
}

TEST(FileHasDataTest, NeedsAtLeastTwoBytes) {
  ProbeDir dir;
  EXPECT_FALSE(GetImage::FileHasData(dir.Write("zero", "")));
  EXPECT_FALSE(GetImage::FileHasData(dir.Write("one", "x")));
  EXPECT_TRUE(GetImage::FileHasData(dir.Write("two", "xy")));
}

}  // namespace
