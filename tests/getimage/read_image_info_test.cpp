// The probe of a job that lists PNG and JPEG: sizes from the headers, by signature not by name.

#include <gtest/gtest.h>

#include <string>

#include "getimage/getimage.h"
#include "tests/support/image_writers.h"
#include "tests/support/temp_dir.h"

namespace {

using eveda::testing::TempDir;
using GetImage::BMPInfo;

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(ReadImageInfoTest, PngAndJpegSizesFromTheirHeadersBySignature) {
  TempDir dir;
  eveda::testing::PngSpec png{.width = 300, .height = 40, .colourType = 0, .bitDepth = 1};
  png.samples.assign(300 * 40, 1);
  const std::string pngFile = Text(eveda::testing::WritePng(png));
  eveda::testing::JpegSpec jpeg{.width = 50, .height = 120, .kind = eveda::testing::JpegKind::Grey};
  jpeg.samples.assign(50 * 120, 99);
  dir.WriteFile("a.png", pngFile);
  dir.WriteFile("named.bmp", Text(eveda::testing::WriteJpeg(jpeg)));
  dir.WriteBmp("c.png", 7, 9);  // a BMP under another name
  std::string badCrc = pngFile;
  badCrc[29] ^= 1;
  dir.WriteFile("d.png", badCrc);
  std::string huge = pngFile;  // 16384 x 16385: one row past the pixel limit, CRC fixed below
  huge.replace(16, 8, std::string("\x00\x00\x40\x00\x00\x00\x40\x01", 8));
  huge.replace(29, 4, std::string("\x4A\xEF\xFE\x8C", 4));
  dir.WriteFile("e.png", huge);
  dir.WriteFile(".hidden.png", pngFile);
  const struct {
    const char* name;
    BMPInfo expected;
  } cases[] = {
      {"a.png", {1, 300, 40, 24}},   {"named.bmp", {1, 50, 120, 24}}, {"c.png", {1, 7, 9, 24}},
      {"d.png", {1, 0, 0, 0}},       {"e.png", {1, 0, 0, 0}},         {".hidden.png", {0, 0, 0, 0}},
      {"missing.png", {0, 0, 0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetImage::ReadImageInfo(dir.PathOf(c.name)), c.expected) << c.name;
  // The window's probe never reads them.
  EXPECT_EQ(GetImage::ReadBMPInfo(dir.PathOf("a.png")), (BMPInfo{}));
}

}  // namespace
