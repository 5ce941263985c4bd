// The streaming PNG writer (B,G,R rows in, B,G,R rows back), read back by libspng: every byte of
// every pixel, whatever the band sizes, the row order in memory, the level and the number of
// segments.

#include "formats/png/png_encoder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "formats/jpeg/jpeg.h"
#include "formats/png/png.h"
#include "tests/support/image_writers.h"
#include "tests/support/temp_dir.h"

namespace formats {
namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Writes a width x height image held bottom-up in memory (negative stride), in bands of the
// given heights, cycling through them.
std::vector<std::uint8_t> Encode(const std::vector<std::uint8_t>& topDown, std::uint32_t width,
                                 std::uint32_t height, int level,
                                 const std::vector<std::uint32_t>& bands, const std::string& path) {
  const std::ptrdiff_t stride = std::ptrdiff_t{width} * 3;
  std::vector<std::uint8_t> bottomUp(topDown.size());
  for (std::uint32_t y = 0; y < height; ++y)
    std::copy_n(&topDown[y * stride], stride, &bottomUp[(height - 1 - y) * stride]);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  PngEncoder encoder;
  EXPECT_TRUE(encoder.Begin(fd, width, height, level));
  std::uint32_t y = 0;
  for (std::size_t k = 0; y < height; ++k) {
    const std::uint32_t rows = std::min(bands[k % bands.size()], height - y);
    const std::uint8_t* top = &bottomUp[(height - 1 - y) * stride];
    const auto ok = encoder.WriteRows(top, -stride, rows);
    EXPECT_TRUE(ok) << ok.error().reason;
    y += rows;
  }
  const auto done = encoder.Finish();
  EXPECT_TRUE(done) << done.error().reason;
  ::close(fd);
  return ReadAll(path);
}

TEST(PngEncoderTest, ReadsBackExactlyAtEveryLevelAndBandSize) {
  eveda::testing::TempDir dir;
  struct Case {
    std::uint32_t width, height;
    int level;
    std::vector<std::uint32_t> bands;
  };
  // 700 x 650 is three 1 MiB segments; 1 x 1 and one tall column are the edge of each side.
  // Rows are filtered sixteen bytes at a time after the first pixel: 6 and 7 pixels wide are
  // just too short for that and just long enough, with the rest byte by byte.
  const Case cases[] = {
      {700, 650, 6, {1, 7, 64, 300}}, {700, 650, 0, {650}},  {700, 650, 9, {33}}, {1, 1, 1, {1}},
      {1, 3000, 6, {1000}},           {5000, 70, 3, {2, 5}}, {6, 90, 6, {90}},    {7, 90, 6, {4}},
  };
  DecodedImage image;
  for (const Case& c : cases) {
    const auto rgb = eveda::testing::PhotoLikeSamples(c.width, c.height, 3, c.width + c.height);
    const std::string name = std::to_string(c.width) + "x" + std::to_string(c.height) + " level " +
                             std::to_string(c.level);
    const auto file = Encode(rgb, c.width, c.height, c.level, c.bands, dir.PathOf("out.png"));
    ASSERT_GT(file.size(), 40u) << name;
    EXPECT_EQ(file[41], 0x78) << name;  // the zlib header opens the first IDAT
    const auto decoded = DecodePng(file, 0, image);
    ASSERT_TRUE(decoded) << name << ": " << decoded.error().detail;
    ASSERT_EQ(image.width, c.width);
    ASSERT_EQ(image.height, c.height);
    for (std::uint32_t y = 0; y < c.height; ++y) {
      const std::uint8_t* row = image.Row(y);
      for (std::uint32_t x = 0; x < c.width * 3; ++x)
        ASSERT_EQ(row[x], rgb[y * c.width * 3 + x]) << name << " at " << x / 3 << "," << y;
    }
  }
}

TEST(PngEncoderTest, CompressesPhotographicRowsAndLevelZeroStores) {
  eveda::testing::TempDir dir;
  const auto rgb = eveda::testing::PhotoLikeSamples(512, 512, 3, 9);
  const auto stored = Encode(rgb, 512, 512, 0, {512}, dir.PathOf("a.png"));
  const auto packed = Encode(rgb, 512, 512, 6, {512}, dir.PathOf("b.png"));
  EXPECT_GT(stored.size(), 512u * 512 * 3);
  EXPECT_LT(packed.size(), stored.size() * 3 / 4);  // the noise alone costs about half
}

TEST(PngEncoderTest, FailuresAreValuesWithTheSystemsWords) {
  PngEncoder full;
  const int fd = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(fd, 0);
  const auto begun = full.Begin(fd, 10, 10, 6);
  ::close(fd);
  ASSERT_FALSE(begun);
  EXPECT_EQ(begun.error().reason, "No space left on device");

  eveda::testing::TempDir dir;
  const int out = ::open(dir.PathOf("short.png").c_str(), O_WRONLY | O_CREAT, 0644);
  PngEncoder encoder;
  ASSERT_TRUE(encoder.Begin(out, 2, 2, 6));
  const std::uint8_t row[6] = {};
  EXPECT_FALSE(encoder.WriteRows(row, 0, 3));  // more rows than the image has
  PngEncoder again;
  ASSERT_TRUE(again.Begin(out, 2, 2, 6));
  ASSERT_TRUE(again.WriteRows(row, 0, 1));
  EXPECT_EQ(again.Finish().error().reason, "fewer rows than the image is high");
  ::close(out);
  EXPECT_FALSE(PngEncoder().Begin(out, 0, 5, 6));
}

}  // namespace
}  // namespace formats
