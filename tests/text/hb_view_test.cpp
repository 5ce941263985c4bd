// Our captions against HarfBuzz's own renderer, hb-view, drawing the same text with the same
// font file at test time: the ink must span the same columns and fall in the same order.

#include "text/caption_font.h"

#include "strip_support.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace {

using text_testing::Extent;

struct Grey {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
};

Grey ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Grey grey;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return grey;
  image.format = PNG_FORMAT_GRAY;
  grey.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, grey.pixels.data(), 0, nullptr)) return grey;
  grey.width = static_cast<int>(image.width);
  grey.height = static_cast<int>(image.height);
  return grey;
}

// hb-view's coverage per column: black text on white, as the strip draws it.
std::vector<int> HbViewColumns(const std::string& caption, const std::string& fontFile,
                               const eveda::testing::TempDir& dir) {
  std::ofstream(dir / "caption.txt") << caption;
  const std::string command = "hb-view --font-file=" + fontFile +
                              " --font-size=12 --margin=0 -O png -o " + (dir / "hb.png") +
                              " --text-file=" + (dir / "caption.txt");
  if (std::system(command.c_str()) != 0) return {};
  const Grey grey = ReadPng(dir / "hb.png");
  std::vector<int> sums(static_cast<std::size_t>(grey.width), 0);
  for (int y = 0; y < grey.height; ++y)
    for (int x = 0; x < grey.width; ++x) sums[x] += 255 - grey.pixels[y * grey.width + x];
  return sums;
}

// How far two column profiles differ once their first inked columns are aligned, letting
// each column match its neighbours too (the renderers round positions apart by a pixel here
// and there): 0 for the same ink, 1 for ink in disjoint places.
double ProfileDistance(const std::vector<int>& ours, const std::vector<int>& theirs) {
  const int shift = Extent(theirs).left - Extent(ours).left;
  auto at = [&](int x) { return x >= 0 && x < static_cast<int>(theirs.size()) ? theirs[x] : 0; };
  double difference = 0, total = 0;
  for (int x = 0; x < static_cast<int>(ours.size()); ++x) {
    const int y = x + shift;
    difference += std::min(
        {std::abs(ours[x] - at(y - 1)), std::abs(ours[x] - at(y)), std::abs(ours[x] - at(y + 1))});
    total += ours[x] + at(y);
  }
  return total > 0 ? difference / total : 1;
}

TEST(CaptionFont, DrawsAsHbViewDoes) {
  if (std::system("command -v hb-view >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "hb-view (libharfbuzz-bin) is not installed";
  }
  const struct {
    std::string caption, fontFile;
  } cases[] = {
      {"\u5199\u771F_2024.jpg", text_testing::kIpaPGothic},
      {"Trip \u65C5\u884C 2024 final.png", text_testing::kIpaPGothic},
      {"Cafe\u0301 noe\u0308l.jpg", text_testing::kDejaVuSans},
      {"\u05EA\u05DE\u05D5\u05E0\u05D4 \u05E9\u05DC\u05D5\u05DD", text_testing::kDejaVuSans},
  };
  eveda::testing::TempDir dir;
  for (const auto& c : cases) {
    const std::vector<int> theirs = HbViewColumns(c.caption, c.fontFile, dir);
    ASSERT_FALSE(theirs.empty()) << c.caption;
    auto font = text::CaptionFont::Open(c.fontFile, 12);
    ASSERT_TRUE(font) << font.error();
    text_testing::Strip strip(static_cast<int>(theirs.size()) + 40, 17);
    strip.Draw(*font, c.caption);
    const std::vector<int> ours = strip.Columns();
    const auto a = Extent(ours), b = Extent(theirs);
    EXPECT_NEAR(a.right - a.left, b.right - b.left, 1) << c.caption;
    // Glyphs in the other order would look like the line mirrored: 0.15 or more for these.
    const std::vector<int> mirrored(ours.rbegin(), ours.rend());
    EXPECT_LT(ProfileDistance(ours, theirs), 0.08) << c.caption;
    EXPECT_GT(ProfileDistance(mirrored, theirs), 0.12) << c.caption;
  }
}

}  // namespace
