#pragma once
// A line that fits a width: the whole text when it fits, else the longest start of it that,
// cut at a grapheme boundary and ended with "…", does. The text is shaped once; the cut is
// found from that shaping's advances and only the kept start is shaped again, so a name of
// ten thousand characters costs two shapings, not thousands.

#include "text/font_faces.h"
#include "text/shape_line.h"

#include <cstdint>
#include <string>

namespace text {

struct FittedLine {
  std::u32string text;  // as drawn, "…" included when cut
  ShapedLine shaped;
  bool cut = false;
};

// `width` in 1/64 pixel. When not even "…" fits, the line is empty.
FittedLine FitLine(FontFaces& faces, std::u32string text, std::int64_t width);

}  // namespace text
