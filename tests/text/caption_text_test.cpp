#include "text/caption_format.h"
#include "text/caption_strip.h"

#include <gtest/gtest.h>

namespace {

TEST(ExpandCaption, EscapesNameTheFields) {
  const text::CaptionFields photo{"shots/写真_2024.jpg", 3, 12, 640, 480};
  const text::CaptionFields hidden{".profile", 1, 1, 1, 1};
  const text::CaptionFields twoDots{"a.b/c.tar.gz", 1, 1, 1, 1};
  const text::CaptionFields badBytes{"dir/caf\xE9_\xF0\x9F.png", 1, 1, 1, 1};
  const struct {
    std::string_view format;
    const text::CaptionFields& fields;
    std::string expected;
  } cases[] = {
      {"%f", photo, "写真_2024.jpg"},
      {"%F", photo, "shots/写真_2024.jpg"},
      {"%b.%e", photo, "写真_2024.jpg"},
      {"%n/%N %wx%h", photo, "3/12 640x480"},
      {"100%% %f", photo, "100% 写真_2024.jpg"},
      {"%q %", photo, "%q %"},  // unknown escapes and a lone % stay as written
      {"[%b][%e]", hidden, "[.profile][]"},
      {"[%b][%e][%f]", twoDots, "[c.tar][gz][c.tar.gz]"},
      {"%f", badBytes, "caf\uFFFD_\uFFFD.png"},  // one U+FFFD per bad sequence
      {"\xFF%n", photo, "\uFFFD3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::ExpandCaption(c.format, c.fields), c.expected) << c.format;
  }
}

TEST(CaptionStrip, HeightIsCeilingOfOnePointFourTimesTheSize) {
  const struct {
    int size, height;
  } cases[] = {{1, 2}, {5, 7}, {10, 14}, {12, 17}, {15, 21}, {16, 23}, {100, 140}};
  for (const auto& c : cases) EXPECT_EQ(text::StripHeight(c.size), c.height) << c.size;
}

TEST(CaptionStrip, ColourContrastsWithTheBackground) {
  const struct {
    std::uint32_t background, colour;
  } cases[] = {
      {0x000000, 0xFFFFFF}, {0xFFFFFF, 0x000000}, {0x0000FF, 0x000000},  // red
      {0xFF0000, 0xFFFFFF},                                              // blue
      {0x00FF00, 0x000000}, {0x767676, 0x000000}, {0x757575, 0xFFFFFF},  // the turn
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::ContrastingColour(c.background), c.colour) << std::hex << c.background;
  }
}

}  // namespace
