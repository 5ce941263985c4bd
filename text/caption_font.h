#pragma once
// Captions drawn in one font at one size: found with fontconfig (falling back, character by
// character, to the fonts it proposes), put in reading order with FriBidi, shaped with
// HarfBuzz, rasterised with FreeType in grey, centred in the cell's width and cut with "…"
// when too wide. One CaptionFont serves every cell of a run: it keeps one coverage buffer and
// a bounded glyph cache, and is not to be shared between threads.

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace text {

inline constexpr int kMaxCaptionSize = 1024;  // pixels per em
inline constexpr std::string_view kDefaultCaptionFont = "IPAPGothic";

class CaptionFont {
 public:
  // A fontconfig pattern ("IPAPGothic", "Noto Sans CJK JP:bold") or a font file's path. A
  // family no installed font has is an error ("no font matches 'X'"), as is a size outside
  // 1…kMaxCaptionSize, so nothing is drawn with a font the user did not ask for.
  static eveda::Result<CaptionFont, std::string> Open(std::string_view fontNameOrPath,
                                                      int pixelSize);
  CaptionFont(CaptionFont&&) noexcept;
  CaptionFont& operator=(CaptionFont&&) noexcept;
  ~CaptionFont();

  // The text as it is drawn in `width` pixels: all of it, or its longest start that fits
  // when cut at a grapheme boundary and ended with "…"; bad UTF-8 shows as U+FFFD.
  std::string Fit(std::string_view utf8, std::int32_t width);

  // Draws the fitted text centred in a strip `width` × `stripHeight` of 24-bit B,G,R rows
  // whose background is already painted; `stride` is the distance between rows (negative for
  // bottom-up storage), `colour` a COLORREF 0x00BBGGRR.
  void Draw(std::string_view utf8, std::int32_t width, std::int32_t stripHeight,
            std::uint32_t colour, std::uint8_t* topRow, std::ptrdiff_t stride);

 private:
  struct Parts;
  explicit CaptionFont(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

}  // namespace text
