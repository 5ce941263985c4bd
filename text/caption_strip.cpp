#include "text/caption_strip.h"

#include <cmath>

namespace text {
namespace {

double LinearChannel(std::uint32_t colour, int shift) {
  const double c = static_cast<double>((colour >> shift) & 0xFFu) / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(std::uint32_t colour) {
  return 0.2126 * LinearChannel(colour, 0) + 0.7152 * LinearChannel(colour, 8) +
         0.0722 * LinearChannel(colour, 16);
}

}  // namespace

// In integers: 1.4 has no exact binary form, and ceil(1.4 * 5.0) would give 8.
int StripHeight(int pixelSize) { return (pixelSize * 14 + 9) / 10; }

std::uint32_t ContrastingColour(std::uint32_t background) {
  const double luminance = RelativeLuminance(background);
  const double againstWhite = 1.05 / (luminance + 0.05);
  const double againstBlack = (luminance + 0.05) / 0.05;
  return againstWhite >= againstBlack ? 0x00FFFFFFu : 0x00000000u;
}

}  // namespace text
