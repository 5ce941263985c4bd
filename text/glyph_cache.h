#pragma once
// Grey coverage of each glyph, rendered once by FreeType and kept while the cache stays under
// its byte budget; past it the cache starts afresh, so a run of many captions in many scripts
// holds a bounded amount of memory.

#include "text/font_faces.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace text {

struct GlyphBitmap {
  int left = 0;  // from the pen to the first column
  int top = 0;   // from the baseline up to the first row
  int width = 0;
  int rows = 0;
  std::vector<std::uint8_t> coverage;  // rows × width, 0 none … 255 full
};

class GlyphCache {
 public:
  explicit GlyphCache(std::size_t byteBudget) : byteBudget_(byteBudget) {}

  // Valid until the next call. A glyph without an outline (a colour bitmap) is empty.
  const GlyphBitmap& Get(FontFaces& faces, int face, std::uint32_t glyph);

 private:
  std::size_t byteBudget_;
  std::size_t bytes_ = 0;
  std::unordered_map<std::uint64_t, GlyphBitmap> glyphs_;
};

}  // namespace text
