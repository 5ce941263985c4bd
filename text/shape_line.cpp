#include "text/shape_line.h"

#include <fribidi.h>

#include <algorithm>
#include <memory>

namespace text {
namespace {

struct Run {
  std::size_t start = 0;
  std::size_t length = 0;
  int face = 0;
  FriBidiLevel level = 0;
  hb_script_t script = HB_SCRIPT_COMMON;
  std::size_t visualStart = 0;
};

// Embedding levels after the line rules (trailing spaces take the paragraph's level), and
// where each code point lands from the left.
void ResolveBidi(std::u32string_view text, std::vector<FriBidiLevel>& levels,
                 std::vector<std::size_t>& visualPosition) {
  const auto n = static_cast<FriBidiStrIndex>(text.size());
  const auto* chars = reinterpret_cast<const FriBidiChar*>(text.data());
  std::vector<FriBidiCharType> types(text.size());
  std::vector<FriBidiBracketType> brackets(text.size());
  std::vector<FriBidiStrIndex> map(text.size());
  fribidi_get_bidi_types(chars, n, types.data());
  fribidi_get_bracket_types(chars, n, types.data(), brackets.data());
  FriBidiParType direction = FRIBIDI_PAR_ON;
  levels.assign(text.size(), 0);
  visualPosition.resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) map[i] = static_cast<FriBidiStrIndex>(i);
  if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &direction,
                                          levels.data()) == 0 ||
      fribidi_reorder_line(0, types.data(), n, 0, direction, levels.data(), nullptr, map.data()) ==
          0) {
    levels.assign(text.size(), 0);
    for (std::size_t i = 0; i < text.size(); ++i) map[i] = static_cast<FriBidiStrIndex>(i);
  }
  for (std::size_t visual = 0; visual < text.size(); ++visual) {
    visualPosition[static_cast<std::size_t>(map[visual])] = visual;
  }
}

// Punctuation, digits and marks belong to the script around them, so "写真_2024" is one run.
std::vector<hb_script_t> ResolveScripts(std::u32string_view text) {
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  std::vector<hb_script_t> scripts(text.size(), HB_SCRIPT_COMMON);
  hb_script_t current = HB_SCRIPT_COMMON;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const hb_script_t script = hb_unicode_script(unicode, text[i]);
    if (script != HB_SCRIPT_COMMON && script != HB_SCRIPT_INHERITED &&
        script != HB_SCRIPT_UNKNOWN) {
      if (current == HB_SCRIPT_COMMON) std::fill(scripts.begin(), scripts.begin() + i, script);
      current = script;
    }
    scripts[i] = current;
  }
  return scripts;
}

std::vector<Run> SplitRuns(FontFaces& faces, std::u32string_view text,
                           const std::vector<std::size_t>& boundaries) {
  std::vector<FriBidiLevel> levels;
  std::vector<std::size_t> visualPosition;
  ResolveBidi(text, levels, visualPosition);
  const std::vector<hb_script_t> scripts = ResolveScripts(text);
  std::vector<Run> runs;
  for (std::size_t g = 0; g + 1 < boundaries.size(); ++g) {
    const std::size_t begin = boundaries[g], end = boundaries[g + 1];
    const int face = faces.FaceFor(text.substr(begin, end - begin));
    for (std::size_t i = begin; i < end; ++i) {
      if (runs.empty() || runs.back().face != face || runs.back().level != levels[i] ||
          runs.back().script != scripts[i]) {
        runs.push_back({i, 0, face, levels[i], scripts[i], visualPosition[i]});
      }
      ++runs.back().length;
      runs.back().visualStart = std::min(runs.back().visualStart, visualPosition[i]);
    }
  }
  std::sort(runs.begin(), runs.end(),
            [](const Run& a, const Run& b) { return a.visualStart < b.visualStart; });
  return runs;
}

struct BufferDeleter {
  void operator()(hb_buffer_t* buffer) const { hb_buffer_destroy(buffer); }
};

void ShapeRun(FontFaces& faces, std::u32string_view text, const Run& run, hb_buffer_t* buffer,
              ShapedLine& line) {
  hb_buffer_clear_contents(buffer);
  // The whole line goes in as context, so letters at a run's edge join as they should.
  hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(text.data()),
                      static_cast<int>(text.size()), static_cast<unsigned>(run.start),
                      static_cast<int>(run.length));
  hb_buffer_set_direction(buffer, (run.level & 1) ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_set_script(buffer, run.script);
  hb_buffer_set_language(buffer, hb_language_get_default());
  hb_shape(faces.Shaper(run.face), buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  for (unsigned i = 0; i < count; ++i) {
    line.glyphs.push_back({run.face, infos[i].codepoint, infos[i].cluster, positions[i].x_advance,
                           positions[i].x_offset, positions[i].y_offset});
    line.advance += positions[i].x_advance;
  }
}

}  // namespace

ShapedLine ShapeLine(FontFaces& faces, std::u32string_view text,
                     const std::vector<std::size_t>& boundaries) {
  ShapedLine line;
  line.glyphs.reserve(text.size());
  std::unique_ptr<hb_buffer_t, BufferDeleter> buffer(hb_buffer_create());
  for (const Run& run : SplitRuns(faces, text, boundaries)) {
    ShapeRun(faces, text, run, buffer.get(), line);
  }
  return line;
}

}  // namespace text
