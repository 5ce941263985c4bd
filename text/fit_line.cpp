#include "text/fit_line.h"

#include "text/graphemes.h"

#include <unicode/uchar.h>

namespace text {
namespace {

constexpr char32_t kEllipsis = U'\u2026';

ShapedLine Shape(FontFaces& faces, std::u32string_view text) {
  return ShapeLine(faces, text, GraphemeBoundaries(text));
}

// The advance of the text before each grapheme boundary. A ligature across a boundary counts
// whole before it, which only errs towards cutting earlier.
std::vector<std::int64_t> AdvanceBefore(const ShapedLine& line, std::size_t length,
                                        const std::vector<std::size_t>& boundaries) {
  std::vector<std::int64_t> perCodePoint(length + 1, 0);
  for (const PlacedGlyph& glyph : line.glyphs) perCodePoint[glyph.cluster] += glyph.xAdvance;
  std::vector<std::int64_t> before;
  before.reserve(boundaries.size());
  std::int64_t sum = 0;
  std::size_t next = 0;
  for (std::size_t boundary : boundaries) {
    for (; next < boundary; ++next) sum += perCodePoint[next];
    before.push_back(sum);
  }
  return before;
}

// The most graphemes whose advance fits `budget`, spaces at the cut left out.
std::size_t KeptLength(const std::u32string& text, const std::vector<std::size_t>& boundaries,
                       const std::vector<std::int64_t>& before, std::int64_t budget) {
  std::size_t g = boundaries.size() - 1;
  while (g > 0 && before[g] > budget) --g;
  std::size_t kept = boundaries[g];
  while (kept > 0 && u_isUWhiteSpace(static_cast<UChar32>(text[kept - 1]))) --kept;
  return kept;
}

}  // namespace

FittedLine FitLine(FontFaces& faces, std::u32string text, std::int64_t width) {
  const std::vector<std::size_t> boundaries = GraphemeBoundaries(text);
  FittedLine fitted{text, ShapeLine(faces, text, boundaries), false};
  if (fitted.shaped.advance <= width) return fitted;
  fitted.cut = true;
  const std::int64_t ellipsis = Shape(faces, std::u32string(1, kEllipsis)).advance;
  const std::vector<std::int64_t> before = AdvanceBefore(fitted.shaped, text.size(), boundaries);
  // Shaping the kept start again may widen it (kerning into "…", other joining forms): shrink
  // the budget by what it overshot and try again, a few times at most.
  std::int64_t budget = width - ellipsis;
  for (int attempt = 0; attempt < 4 && budget >= 0; ++attempt) {
    const std::size_t kept = KeptLength(text, boundaries, before, budget);
    fitted.text = text.substr(0, kept) + kEllipsis;
    fitted.shaped = Shape(faces, fitted.text);
    if (fitted.shaped.advance <= width) return fitted;
    budget -= fitted.shaped.advance - width;
  }
  fitted.text = std::u32string(1, kEllipsis);
  fitted.shaped = Shape(faces, fitted.text);
  if (fitted.shaped.advance > width) fitted = FittedLine{{}, {}, true};
  return fitted;
}

}  // namespace text
