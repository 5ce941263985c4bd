#include "text/caption_font.h"
#include "text/caption_strip.h"

#include "strip_support.h"

#include <gtest/gtest.h>

namespace {

using text_testing::Extent;
using text_testing::Strip;

constexpr std::string_view kEllipsis = "\u2026";

text::CaptionFont Open(std::string_view font, int size = text::kDefaultCaptionSize) {
  auto opened = text::CaptionFont::Open(font, size);
  EXPECT_TRUE(opened) << (opened ? "" : opened.error());
  return std::move(*opened);
}

TEST(CaptionFont, RefusesFontsItCannotFind) {
  const struct {
    std::string_view font;
    int size;
    std::string error;
  } cases[] = {
      {"No Such Family 42", 12, "no font matches 'No Such Family 42'"},
      {"/nowhere/font.ttf", 12, "no font matches '/nowhere/font.ttf'"},
      {"/etc/hostname", 12, "no font matches '/etc/hostname'"},
      {"missing.ttf", 12, "no font matches 'missing.ttf'"},
      {"IPAPGothic", 0, "caption size 0 is outside 1..1024"},
  };
  for (const auto& c : cases) {
    auto font = text::CaptionFont::Open(c.font, c.size);
    ASSERT_FALSE(font) << c.font;
    EXPECT_EQ(font.error(), c.error);
  }
  for (std::string_view found : {"IPAPGothic", "dejavusans", "sans-serif", "DejaVu Sans:bold"}) {
    EXPECT_TRUE(text::CaptionFont::Open(found, 12)) << found;
  }
}

// Whatever the width, a cut line is a start of the text ending at a grapheme boundary, then
// "…", and one grapheme more would not have fitted.
TEST(CaptionFont, CutsAtGraphemeBoundariesWithAnEllipsis) {
  text::CaptionFont font = Open("IPAPGothic");
  // é as e + a combining acute; ARABIC NUMBER SIGN before its digit, which shaping keeps in a
  // cluster of its own though it is one grapheme with the digit
  const std::string name = "e\u0301te\u0301 \u0600\u0661\u5199\u771F_2024.jpg";
  const std::vector<std::string> graphemes = {
      "e\u0301", "t", "e\u0301", " ", "\u0600\u0661", "\u5199", "\u771F", "_", "2", "0", "2", "4",
      ".",       "j", "p",       "g"};
  EXPECT_EQ(font.Fit(name, 400), name);
  std::vector<std::string> starts{""};  // the text before each boundary
  for (const std::string& g : graphemes) starts.push_back(starts.back() + g);
  int cuts = 0;
  for (int width = 0; font.Fit(name, width) != name; ++width, ++cuts) {
    const std::string shown = font.Fit(name, width);
    if (shown.empty()) continue;  // not even "…" fits
    std::size_t k = 0;
    while (k < graphemes.size() && starts[k] + std::string(kEllipsis) != shown) ++k;
    ASSERT_LT(k, graphemes.size()) << width << ": " << shown;
    const std::size_t next = graphemes[k] == " " ? k + 2 : k + 1;  // no space before "…"
    const std::string longer = starts[next] + std::string(kEllipsis);
    EXPECT_NE(font.Fit(longer, width), longer) << width;
  }
  EXPECT_GT(cuts, 20);
}

TEST(CaptionFont, CutsAVeryLongNameOnce) {
  text::CaptionFont font = Open("IPAPGothic");
  std::string name;
  for (int i = 0; i < 10000; ++i) name += i % 3 ? "a" : "\u5199";
  const std::string shown = font.Fit(name, 200);
  EXPECT_TRUE(shown.ends_with(kEllipsis)) << shown;
  EXPECT_LT(shown.size(), 200u);
  Strip strip(200, text::StripHeight(12));
  strip.Draw(font, name);
  EXPECT_GE(Extent(strip.Columns()).left, 0);
}

TEST(CaptionFont, CentresTheLineInTheWidth) {
  text::CaptionFont font = Open(text_testing::kIpaPGothic);
  Strip narrow(100, 17), wide(120, 17);
  narrow.Draw(font, "\u5199\u771F_2024.jpg");
  wide.Draw(font, "\u5199\u771F_2024.jpg");
  const auto a = Extent(narrow.Columns()), b = Extent(wide.Columns());
  ASSERT_GE(a.left, 0);
  EXPECT_EQ(b.left - a.left, 10);
  EXPECT_EQ(b.right - a.right, 10);
  EXPECT_NEAR(a.left, 100 - 1 - a.right, 3);  // the margins match, up to side bearings
}

TEST(CaptionFont, BlendsInTheColourOverEitherRowOrder) {
  text::CaptionFont font = Open("IPAPGothic", 20);
  const int width = 60, height = text::StripHeight(20);
  Strip topDown(width, height), bottomUp(width, height);
  topDown.Draw(font, "\u25A0", 0x00336699);  // a black square: full coverage inside
  font.Draw("\u25A0", width, height, 0x00336699, bottomUp.bytes.data() + (height - 1) * width * 3,
            -width * 3);
  const std::uint8_t* centre = &topDown.bytes[(height / 2 * width + width / 2) * 3];
  EXPECT_EQ(centre[0], 0x33);  // B,G,R
  EXPECT_EQ(centre[1], 0x66);
  EXPECT_EQ(centre[2], 0x99);
  EXPECT_EQ(topDown.bytes[0], 0xFF);  // the background around it untouched
  for (int y = 0; y < height; ++y) {
    ASSERT_TRUE(std::equal(&topDown.bytes[y * width * 3], &topDown.bytes[(y + 1) * width * 3],
                           &bottomUp.bytes[(height - 1 - y) * width * 3]))
        << y;
  }
}

// A character no font has shows the font's missing-glyph box; colour emoji never crash.
TEST(CaptionFont, DrawsWhatNoFontHasWithoutFailing) {
  text::CaptionFont font = Open("IPAPGothic");
  for (std::string_view caption :
       {"\U0010FFFD", "\xF0\x9F\x98\x80 ok", "\U0001F469\u200D\U0001F4BB"}) {
    Strip strip(80, 17);
    strip.Draw(font, caption);
    EXPECT_GE(Extent(strip.Columns()).left, 0) << caption;
  }
}

}  // namespace
