#pragma once
// The FreeType faces and HarfBuzz fonts of a FontList at one pixel size. A fallback face is
// opened only when a character first needs it, so a caption in the named font opens one file.

#include "platform/result.h"
#include "text/font_list.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <memory>
#include <string>
#include <vector>

namespace text {

class FontFaces {
 public:
  static eveda::Result<std::unique_ptr<FontFaces>, std::string> Open(FontList fonts, int pixelSize);
  ~FontFaces();
  FontFaces(const FontFaces&) = delete;
  FontFaces& operator=(const FontFaces&) = delete;

  // The first face that has every character of a grapheme (ignoring invisible ones), else the
  // first that has its first character, else the named font, whose missing-glyph box shows.
  int FaceFor(std::u32string_view grapheme);
  FT_Face Face(int i) { return faces_[static_cast<std::size_t>(i)].face; }
  hb_font_t* Shaper(int i) { return faces_[static_cast<std::size_t>(i)].shaper; }

  // The named font's ascent and descent below the baseline, in 1/64 pixel.
  long Ascent() const { return faces_[0].face->size->metrics.ascender; }
  long Descent() const { return -faces_[0].face->size->metrics.descender; }

 private:
  struct Loaded {
    FT_Face face = nullptr;
    hb_font_t* shaper = nullptr;
    bool tried = false;
  };
  FontFaces(FontList fonts, int pixelSize);
  bool Load(int i);
  bool Usable(int i, char32_t c);

  FontList fonts_;
  int pixelSize_;
  FT_Library library_ = nullptr;
  std::vector<Loaded> faces_;
};

}  // namespace text
