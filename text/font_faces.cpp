#include "text/font_faces.h"

#include <hb-ft.h>
#include <unicode/uchar.h>

namespace text {

FontFaces::FontFaces(FontList fonts, int pixelSize)
    : fonts_(std::move(fonts)),
      pixelSize_(pixelSize),
      faces_(static_cast<std::size_t>(fonts_.size())) {}

FontFaces::~FontFaces() {
  for (Loaded& loaded : faces_) {
    if (loaded.shaper) hb_font_destroy(loaded.shaper);
    if (loaded.face) FT_Done_Face(loaded.face);
  }
  if (library_) FT_Done_FreeType(library_);
}

eveda::Result<std::unique_ptr<FontFaces>, std::string> FontFaces::Open(FontList fonts,
                                                                       int pixelSize) {
  const std::string path = fonts.File(0).path;
  std::unique_ptr<FontFaces> faces(new FontFaces(std::move(fonts), pixelSize));
  if (FT_Init_FreeType(&faces->library_) != 0) {
    return eveda::Unexpected{std::string("FreeType could not start")};
  }
  if (!faces->Load(0)) {
    return eveda::Unexpected{"font '" + path + "' cannot be drawn at " + std::to_string(pixelSize) +
                             " px"};
  }
  return faces;
}

bool FontFaces::Load(int i) {
  Loaded& loaded = faces_[static_cast<std::size_t>(i)];
  if (loaded.tried) return loaded.face != nullptr;
  loaded.tried = true;
  const FontFile file = fonts_.File(i);
  FT_Face face = nullptr;
  if (FT_New_Face(library_, file.path.c_str(), file.faceIndex, &face) != 0) return false;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize_)) != 0) {
    FT_Done_Face(face);
    return false;
  }
  loaded.face = face;
  loaded.shaper = hb_ft_font_create_referenced(face);
  // Unhinted advances keep the 1/64-pixel positions the outlines are drawn at.
  hb_ft_font_set_load_flags(loaded.shaper, FT_LOAD_NO_HINTING);
  return true;
}

bool FontFaces::Usable(int i, char32_t c) { return fonts_.Covers(i, c) && Load(i); }

int FontFaces::FaceFor(std::u32string_view grapheme) {
  for (int i = 0; i < fonts_.size(); ++i) {
    bool coversAll = true;
    for (char32_t c : grapheme) {
      if (u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_DEFAULT_IGNORABLE_CODE_POINT)) {
        continue;
      }
      if (!fonts_.Covers(i, c)) {
        coversAll = false;
        break;
      }
    }
    if (coversAll && Load(i)) return i;
  }
  for (int i = 0; !grapheme.empty() && i < fonts_.size(); ++i) {
    if (Usable(i, grapheme.front())) return i;
  }
  return 0;
}

}  // namespace text
