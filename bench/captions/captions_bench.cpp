// What captions cost: opening the font, cutting names of growing length (the cut must stay
// linear in the name), and drawing a grid's worth of captions into one strip.
// Usage: captions_bench [FONT]   (default IPAPGothic)

#include "text/caption_font.h"
#include "text/caption_format.h"
#include "text/caption_strip.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

std::string LongName(int characters) {
  std::string name;
  for (int i = 0; i < characters; ++i) name += i % 3 ? "a" : "\u5199";
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string fontName = argc > 1 ? argv[1] : std::string(text::kDefaultCaptionFont);
  auto start = std::chrono::steady_clock::now();
  auto font = text::CaptionFont::Open(fontName, text::kDefaultCaptionSize);
  if (!font) {
    std::fprintf(stderr, "captions_bench: %s\n", font.error().c_str());
    return 1;
  }
  std::printf("open %s: %.2f ms\n", fontName.c_str(), MillisecondsSince(start));

  for (int characters : {100, 1000, 10000, 100000}) {
    const std::string name = LongName(characters);
    start = std::chrono::steady_clock::now();
    const std::string shown = font->Fit(name, 200);
    std::printf("cut a %6d-character name to 200 px: %8.2f ms (%zu bytes kept)\n", characters,
                MillisecondsSince(start), shown.size());
  }

  const int width = 256, height = text::StripHeight(text::kDefaultCaptionSize), cells = 10000;
  std::vector<std::uint8_t> strip(static_cast<std::size_t>(width) * 3 * height, 0xFF);
  start = std::chrono::steady_clock::now();
  for (int cell = 1; cell <= cells; ++cell) {
    const std::string path = "photos/\u5199\u771F_" + std::to_string(cell) + ".jpg";
    const text::CaptionFields fields{path, cell, cells, 4000, 3000};
    font->Draw(text::ExpandCaption("%f %wx%h", fields), width, height,
               text::ContrastingColour(0xFFFFFF), strip.data(), width * 3);
  }
  std::printf("%d captions expanded and drawn: %.3f ms each\n", cells,
              MillisecondsSince(start) / cells);
}
