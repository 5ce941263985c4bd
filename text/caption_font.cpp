#include "text/caption_font.h"

#include "text/coverage.h"
#include "text/fit_line.h"
#include "text/font_faces.h"
#include "text/glyph_cache.h"
#include "text/utf.h"

#include <algorithm>

namespace text {
namespace {

constexpr std::size_t kGlyphCacheBytes = 4u << 20;

// 1/64 pixel to whole pixels, rounding halves up, negative values included.
std::int32_t RoundToPixel(std::int64_t position) {
  return static_cast<std::int32_t>((position + 32) >> 6);
}

}  // namespace

struct CaptionFont::Parts {
  std::unique_ptr<FontFaces> faces;
  int pixelSize = 0;
  GlyphCache glyphs{kGlyphCacheBytes};
  Coverage coverage;
};

CaptionFont::CaptionFont(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
CaptionFont::CaptionFont(CaptionFont&&) noexcept = default;
CaptionFont& CaptionFont::operator=(CaptionFont&&) noexcept = default;
CaptionFont::~CaptionFont() = default;

eveda::Result<CaptionFont, std::string> CaptionFont::Open(std::string_view fontNameOrPath,
                                                          int pixelSize) {
  if (pixelSize < 1 || pixelSize > kMaxCaptionSize) {
    return eveda::Unexpected{"caption size " + std::to_string(pixelSize) + " is outside 1.." +
                             std::to_string(kMaxCaptionSize)};
  }
  EVEDA_TRY(fonts, FontList::Find(fontNameOrPath));
  EVEDA_TRY(faces, FontFaces::Open(std::move(*fonts), pixelSize));
  auto parts = std::make_unique<Parts>();
  parts->faces = std::move(*faces);
  parts->pixelSize = pixelSize;
  return CaptionFont(std::move(parts));
}

std::string CaptionFont::Fit(std::string_view utf8, std::int32_t width) {
  return EncodeUtf8(FitLine(*parts_->faces, DecodeUtf8(utf8), std::int64_t{width} * 64).text);
}

void CaptionFont::Draw(std::string_view utf8, std::int32_t width, std::int32_t stripHeight,
                       std::uint32_t colour, std::uint8_t* topRow, std::ptrdiff_t stride) {
  if (width <= 0 || stripHeight <= 0) return;
  FontFaces& faces = *parts_->faces;
  const ShapedLine line = FitLine(faces, DecodeUtf8(utf8), std::int64_t{width} * 64).shaped;
  if (line.glyphs.empty()) return;
  const std::int64_t origin = (std::int64_t{width} * 64 - line.advance) / 2;
  const std::int32_t baseline = RoundToPixel(
      (std::int64_t{stripHeight} * 64 - faces.Ascent() - faces.Descent()) / 2 + faces.Ascent());
  // Ink may reach past the advances (italics, marks): a pixel size of slack on each side.
  const std::int32_t left = std::max(0, RoundToPixel(origin) - parts_->pixelSize);
  const std::int32_t right =
      std::min(width, RoundToPixel(origin + line.advance) + parts_->pixelSize);
  parts_->coverage.Reset(left, right - left, stripHeight);
  std::int64_t pen = origin;
  for (const PlacedGlyph& glyph : line.glyphs) {
    const GlyphBitmap& bitmap = parts_->glyphs.Get(faces, glyph.face, glyph.glyph);
    parts_->coverage.Add(bitmap, RoundToPixel(pen + glyph.xOffset),
                         baseline - RoundToPixel(glyph.yOffset));
    pen += glyph.xAdvance;
  }
  parts_->coverage.BlendOver(topRow, stride, colour);
}

}  // namespace text
