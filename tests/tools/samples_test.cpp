// eveda-samples: its command line, and the files it writes read back byte by byte and
// through the loader.

#include "tools/samples.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/bmp_loader/load_image.h"
#include "platform/gdi/gdi.h"
#include "tests/support/temp_dir.h"

namespace eveda::testing {
namespace {

using tools::AsksForHelp;
using tools::ParseSampleArguments;
using tools::SampleRequest;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes.at(at + i);
  return value;
}

TEST(SampleArguments, ShowcaseTilesAndMistakes) {
  struct Case {
    std::vector<std::string> arguments;
    bool valid;
    SampleRequest expected;
  };
  const std::vector<Case> cases = {
      {{"d"}, true, {"d"}},
      {{"d", "--count", "3", "--size", "5x4"}, true, {"d", true, 3, 5, 4, 24}},
      {{"d", "--count", "2500", "--size", "64x64", "--bits", "8"},
       true,
       {"d", true, 2500, 64, 64, 8}},
      {{"d", "--count", "1", "--size", "4096x4096", "--bits", "24"},
       true,
       {"d", true, 1, 4096, 4096}},
      {{}, false, {}},
      {{"d", "e"}, false, {}},
      {{"d", "--count", "3"}, false, {}},
      {{"d", "--size", "5x4", "--count", "3"}, false, {}},
      {{"d", "--count", "0", "--size", "5x4"}, false, {}},
      {{"d", "--count", "10001", "--size", "5x4"}, false, {}},
      {{"d", "--count", "3x", "--size", "5x4"}, false, {}},
      {{"d", "--count", "3", "--size", "5"}, false, {}},
      {{"d", "--count", "3", "--size", "5x4x"}, false, {}},
      {{"d", "--count", "3", "--size", "4097x4"}, false, {}},
      {{"d", "--count", "3", "--size", "5x-4"}, false, {}},
      {{"d", "--count", "3", "--size", "5x4", "--bits", "4"}, false, {}},
      {{"d", "--count", "3", "--size", "5x4", "--bits", "8bit"}, false, {}},
      {{"d", "--count", "3", "--size", "5x4", "--depth", "8"}, false, {}},
      {{"d", "--count", "3", "--size", "5x4", "--bits"}, false, {}},
      {{"--help"}, false, {}},
      {{"-x"}, false, {}},
      {{""}, false, {}},
      {{"./--help"}, true, {"./--help"}},
  };
  for (const Case& c : cases) {
    const auto request = ParseSampleArguments(c.arguments);
    std::string shown;
    for (const std::string& argument : c.arguments) shown += argument + " ";
    ASSERT_EQ(request.has_value(), c.valid) << shown;
    if (!request) continue;
    EXPECT_EQ(request->directory, c.expected.directory) << shown;
    EXPECT_EQ(request->tiles, c.expected.tiles) << shown;
    EXPECT_EQ(request->count, c.expected.count) << shown;
    EXPECT_EQ(request->width, c.expected.width) << shown;
    EXPECT_EQ(request->height, c.expected.height) << shown;
    EXPECT_EQ(request->bitCount, c.expected.bitCount) << shown;
  }
}

TEST(SampleArguments, HelpIsAskedByEitherSpellingAnywhere) {
  EXPECT_TRUE(AsksForHelp({"--help"}));
  EXPECT_TRUE(AsksForHelp({"d", "-h"}));
  EXPECT_FALSE(AsksForHelp({"d"}));
  EXPECT_FALSE(AsksForHelp({"./--help"}));
  EXPECT_FALSE(AsksForHelp({}));
}

// Two tiles of 2 x 1: each tile's hue starts a turn further along the 256-entry wheel.
TEST(Samples, EightBitTilesAreExactBytes) {
  const TempDir dir;
  const auto outcome = tools::WriteSamples({dir.PathOf("tiles"), true, 2, 2, 1, 8});
  ASSERT_EQ(outcome.written, std::vector<std::string>({dir.PathOf("tiles/tile0001.bmp"),
                                                       dir.PathOf("tiles/tile0002.bmp")}));
  EXPECT_EQ(outcome.failed, "");
  const std::uint8_t firstPixels[2][2] = {{0, 21}, {128, 149}};
  for (int tile = 0; tile < 2; ++tile) {
    const std::vector<std::uint8_t> file = ReadAll(outcome.written[tile]);
    ASSERT_EQ(file.size(), 1082u);
    EXPECT_EQ(Le(file, 0, 2), 0x4D42u);                 // "BM"
    EXPECT_EQ(Le(file, 2, 4), 1082u);                   // bfSize
    EXPECT_EQ(Le(file, 10, 4), 1078u);                  // bfOffBits: headers and 256 colours
    EXPECT_EQ(Le(file, 14, 4), 40u);                    // biSize
    EXPECT_EQ(Le(file, 18, 4), 2u);                     // biWidth
    EXPECT_EQ(Le(file, 22, 4), 1u);                     // biHeight
    EXPECT_EQ(Le(file, 28, 2), 8u);                     // biBitCount
    EXPECT_EQ(Le(file, 30, 4), 0u);                     // BI_RGB
    EXPECT_EQ(Le(file, 54, 4), 0x00FF0000u);            // entry 0: red
    EXPECT_EQ(Le(file, 54 + 4 * 128, 4), 0x0000FFFFu);  // entry 128: cyan
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 1078, file.end()),
              std::vector<std::uint8_t>({firstPixels[tile][0], firstPixels[tile][1], 0, 0}))
        << tile;
  }
}

// Every showcase file loads, at the size and depth its name gives.
TEST(Samples, ShowcaseFilesLoadAtTheirNamedSizeAndDepth) {
  const TempDir dir;
  const auto outcome = tools::WriteSamples({dir.PathOf("show")});
  EXPECT_EQ(outcome.failed, "");
  struct Expected {
    const char* name;
    int width, height, bitCount, compression;
  };
  const std::vector<Expected> expected = {
      {"gradient_24bit_120x90.bmp", 120, 90, 24, 0}, {"rings_8bit_64x64.bmp", 64, 64, 8, 0},
      {"stripes_4bit_80x60.bmp", 80, 60, 4, 0},      {"checker_1bit_48x48.bmp", 48, 48, 1, 0},
      {"glow_32bit_100x75.bmp", 100, 75, 32, 0},     {"bands_rle8_96x64.bmp", 96, 64, 8, 1},
  };
  ASSERT_EQ(outcome.written.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Expected& e = expected[i];
    const std::string& path = outcome.written[i];
    EXPECT_EQ(path, dir.PathOf(std::string("show/") + e.name));
    const std::vector<std::uint8_t> file = ReadAll(path);
    ASSERT_GE(file.size(), 54u) << e.name;
    EXPECT_EQ(Le(file, 2, 4), file.size()) << e.name;
    EXPECT_EQ(Le(file, 28, 2), static_cast<std::uint32_t>(e.bitCount)) << e.name;
    EXPECT_EQ(Le(file, 30, 4), static_cast<std::uint32_t>(e.compression)) << e.name;
    const gdi::HGDIOBJ bitmap = gdi::LoadImageA(nullptr, path.c_str(), gdi::IMAGE_BITMAP, 0, 0,
                                                gdi::LR_LOADFROMFILE | gdi::LR_CREATEDIBSECTION);
    ASSERT_TRUE(bitmap) << e.name;
    gdi::BITMAP record;
    ASSERT_NE(gdi::GetObjectA(bitmap, sizeof record, &record), 0);
    EXPECT_EQ(record.bmWidth, e.width) << e.name;
    EXPECT_EQ(record.bmHeight, e.height) << e.name;
    gdi::DeleteObject(bitmap);
  }
}

// A directory that cannot be made is named as the first file that could not be written.
TEST(Samples, AnUnwritableDirectoryIsNamedAndNothingIsClaimed) {
  const TempDir dir;
  dir.WriteFile("plain", "a file, not a directory");
  const auto outcome = tools::WriteSamples({dir.PathOf("plain/sub"), true, 3, 4, 4, 24});
  EXPECT_TRUE(outcome.written.empty());
  EXPECT_EQ(outcome.failed, dir.PathOf("plain/sub/tile0001.bmp"));
  EXPECT_EQ(ReadAll(dir.PathOf("plain")).size(), 23u);
}

}  // namespace
}  // namespace eveda::testing
