#include "text/font_list.h"

#include <algorithm>
#include <array>

namespace text {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

std::string NoFont(std::string_view name) { return "no font matches '" + std::string(name) + "'"; }

const FcChar8* Bytes(const char* s) { return reinterpret_cast<const FcChar8*>(s); }

// Fontconfig compares family names without regard to case or blanks ("dejavusans" finds
// "DejaVu Sans"); so does the check that the user's family was found.
bool SameFamily(const FcChar8* a, const FcChar8* b) {
  auto squeezed = [](const FcChar8* name) {
    std::string s(reinterpret_cast<const char*>(name));
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s;
  };
  return FcStrCmpIgnoreCase(Bytes(squeezed(a).c_str()), Bytes(squeezed(b).c_str())) == 0;
}

// Names fontconfig's own configuration resolves to some installed family; any other family
// must be one an installed font really has.
bool IsGenericFamily(const FcChar8* family) {
  static constexpr std::array kGeneric = {"sans-serif", "sans",    "serif",   "monospace", "mono",
                                          "system-ui",  "cursive", "fantasy", "emoji",     "math"};
  for (const char* generic : kGeneric) {
    if (SameFamily(family, Bytes(generic))) return true;
  }
  return false;
}

bool HasFamily(const FcPattern* font, const FcChar8* family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (SameFamily(name, family)) return true;
  }
  return false;
}

// Colour bitmap fonts (emoji) have no outline to draw in grey; fallback passes over them, so
// such characters fall to an outline font that has them or to the missing-glyph box.
bool HasOutlines(const FcPattern* font) {
  FcBool outline = FcFalse;
  return FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && outline;
}

FcFontSet* SortedFallbacks(FcPattern* pattern) {
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
  FcFontSet* usable = FcFontSetCreate();
  for (int i = 0; sorted && i < sorted->nfont; ++i) {
    if (!HasOutlines(sorted->fonts[i])) continue;
    FcPatternReference(sorted->fonts[i]);
    FcFontSetAdd(usable, sorted->fonts[i]);
  }
  if (sorted) FcFontSetDestroy(sorted);
  return usable;
}

void Append(FcFontSet* to, FcFontSet* from) {
  for (int i = 0; i < from->nfont; ++i) {
    FcPatternReference(from->fonts[i]);
    FcFontSetAdd(to, from->fonts[i]);
  }
  FcFontSetDestroy(from);
}

FcFontSet* SansFallbacks() {
  Pattern sans(FcNameParse(Bytes("sans-serif")));
  return SortedFallbacks(sans.get());
}

bool IsFontFilePath(const std::string& name) {
  if (name.find('/') != std::string::npos) return true;
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  static constexpr std::array kExtensions = {".ttf", ".otf", ".ttc", ".otc"};
  return std::any_of(kExtensions.begin(), kExtensions.end(), [&](const char* extension) {
    return FcStrCmpIgnoreCase(Bytes(name.c_str() + dot), Bytes(extension)) == 0;
  });
}

}  // namespace

eveda::Result<FontList, std::string> FontList::Find(std::string_view nameOrPath) {
  const std::string name(nameOrPath);
  if (IsFontFilePath(name)) {
    int faces = 0;
    FcPattern* file = FcFreeTypeQuery(Bytes(name.c_str()), 0, nullptr, &faces);
    if (!file) return eveda::Unexpected{NoFont(name)};
    if (!HasOutlines(file)) {
      FcPatternDestroy(file);
      return eveda::Unexpected{"font '" + name + "' has no outlines to draw"};
    }
    FontList list(FcFontSetCreate());
    FcFontSetAdd(list.fonts_.get(), file);
    Append(list.fonts_.get(), SansFallbacks());
    return list;
  }
  Pattern pattern(FcNameParse(Bytes(name.c_str())));
  if (!pattern) return eveda::Unexpected{NoFont(name)};
  FcChar8* requested = nullptr;
  const std::string family =
      FcPatternGetString(pattern.get(), FC_FAMILY, 0, &requested) == FcResultMatch
          ? reinterpret_cast<const char*>(requested)
          : "";
  FontList list(SortedFallbacks(pattern.get()));
  if (list.size() == 0) return eveda::Unexpected{NoFont(name)};
  if (!family.empty() && !IsGenericFamily(Bytes(family.c_str())) &&
      !HasFamily(list.fonts_->fonts[0], Bytes(family.c_str()))) {
    return eveda::Unexpected{NoFont(name)};
  }
  return list;
}

FontFile FontList::File(int i) const {
  FontFile file;
  FcChar8* path = nullptr;
  if (FcPatternGetString(fonts_->fonts[i], FC_FILE, 0, &path) == FcResultMatch) {
    file.path = reinterpret_cast<const char*>(path);
  }
  FcPatternGetInteger(fonts_->fonts[i], FC_INDEX, 0, &file.faceIndex);
  return file;
}

bool FontList::Covers(int i, char32_t c) const {
  FcCharSet* charset = nullptr;
  return FcPatternGetCharSet(fonts_->fonts[i], FC_CHARSET, 0, &charset) == FcResultMatch &&
         FcCharSetHasChar(charset, static_cast<FcChar32>(c));
}

}  // namespace text
