#pragma once
// Which font files a caption may use, in fontconfig's order: the font the user named first,
// then the fonts fontconfig would fall back to for characters it lacks (CJK, the default sans).

#include "platform/result.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <string>
#include <string_view>

namespace text {

struct FontFile {
  std::string path;
  int faceIndex = 0;
};

class FontList {
 public:
  // A fontconfig pattern ("IPAPGothic", "DejaVu Sans:bold") or a font file's path (anything
  // with a '/' or ending in .ttf, .otf, .ttc or .otc; of a collection, its first face). A
  // family no installed font has is refused rather than silently replaced.
  static eveda::Result<FontList, std::string> Find(std::string_view nameOrPath);

  int size() const { return fonts_ ? fonts_->nfont : 0; }
  FontFile File(int i) const;
  bool Covers(int i, char32_t c) const;

 private:
  struct SetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
  };
  explicit FontList(FcFontSet* fonts) : fonts_(fonts) {}
  std::unique_ptr<FcFontSet, SetDeleter> fonts_;
};

}  // namespace text
