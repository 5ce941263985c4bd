#pragma once
// One line of text as positioned glyphs: put in reading order by FriBidi, split into runs of
// one face, one direction and one script, each shaped by HarfBuzz (marks, ligatures, joining).

#include "text/font_faces.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace text {

struct PlacedGlyph {
  int face = 0;
  std::uint32_t glyph = 0;    // 0 is the face's missing-glyph box
  std::uint32_t cluster = 0;  // the code point it starts at, in logical order
  std::int32_t xAdvance = 0;  // 1/64 pixel, as every position here
  std::int32_t xOffset = 0;
  std::int32_t yOffset = 0;
};

struct ShapedLine {
  std::vector<PlacedGlyph> glyphs;  // left to right as drawn
  std::int64_t advance = 0;
};

// `boundaries` are the text's grapheme boundaries: a grapheme is always shaped in one face.
ShapedLine ShapeLine(FontFaces& faces, std::u32string_view text,
                     const std::vector<std::size_t>& boundaries);

}  // namespace text
