#include "text/glyph_cache.h"

#include <cstring>

namespace text {
namespace {

GlyphBitmap Render(FT_Face face, std::uint32_t glyph) {
  GlyphBitmap bitmap;
  // Outlines only: emoji in colour bitmaps are left out rather than scaled or mis-drawn.
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
      face->glyph->format != FT_GLYPH_FORMAT_OUTLINE ||
      FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
    return bitmap;
  }
  const FT_Bitmap& rendered = face->glyph->bitmap;
  if (rendered.pixel_mode != FT_PIXEL_MODE_GRAY || rendered.pitch < 0) return bitmap;
  bitmap.left = face->glyph->bitmap_left;
  bitmap.top = face->glyph->bitmap_top;
  bitmap.width = static_cast<int>(rendered.width);
  bitmap.rows = static_cast<int>(rendered.rows);
  bitmap.coverage.resize(rendered.width * rendered.rows);
  for (unsigned row = 0; row < rendered.rows; ++row) {
    std::memcpy(bitmap.coverage.data() + row * rendered.width,
                rendered.buffer + row * static_cast<unsigned>(rendered.pitch), rendered.width);
  }
  return bitmap;
}

}  // namespace

const GlyphBitmap& GlyphCache::Get(FontFaces& faces, int face, std::uint32_t glyph) {
  const std::uint64_t key = (static_cast<std::uint64_t>(face) << 32) | glyph;
  if (auto found = glyphs_.find(key); found != glyphs_.end()) return found->second;
  GlyphBitmap bitmap = Render(faces.Face(face), glyph);
  const std::size_t size = bitmap.coverage.size() + sizeof(GlyphBitmap);
  if (bytes_ + size > byteBudget_) {
    glyphs_.clear();
    bytes_ = 0;
  }
  bytes_ += size;
  return glyphs_.emplace(key, std::move(bitmap)).first->second;
}

}  // namespace text
