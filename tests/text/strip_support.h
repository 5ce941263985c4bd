#pragma once
// A caption strip in memory and what the tests read back from it: coverage per column.

#include "text/caption_font.h"

#include <cstdint>
#include <vector>

namespace text_testing {

inline constexpr const char* kIpaPGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";
inline constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// White B,G,R rows with black text: coverage is 255 minus any channel.
struct Strip {
  Strip(int w, int h) : width(w), height(h), bytes(static_cast<std::size_t>(w) * 3 * h, 0xFF) {}
  void Draw(text::CaptionFont& font, std::string_view caption, std::uint32_t colour = 0) {
    font.Draw(caption, width, height, colour, bytes.data(), width * 3);
  }
  // Summed coverage of each column.
  std::vector<int> Columns() const {
    std::vector<int> sums(static_cast<std::size_t>(width), 0);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) sums[x] += 255 - bytes[(y * width + x) * 3];
    return sums;
  }
  int width, height;
  std::vector<std::uint8_t> bytes;
};

struct InkExtent {
  int left = -1, right = -1;  // first and last column with ink; -1 when none
};

inline InkExtent Extent(const std::vector<int>& columns, int threshold = 32) {
  InkExtent ink;
  for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
    if (columns[x] < threshold) continue;
    if (ink.left < 0) ink.left = x;
    ink.right = x;
  }
  return ink;
}

}  // namespace text_testing
