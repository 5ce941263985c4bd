#pragma once
// The strip a caption is drawn in, below its cell, and the colour it is drawn in.

#include <cstdint>

namespace text {

inline constexpr int kDefaultCaptionSize = 12;  // pixels per em

// ceil(1.4 × size): room for the font's ascent and descent with a little air.
int StripHeight(int pixelSize);

// White or black (COLORREF 0x00BBGGRR), whichever contrasts more with the background by
// relative luminance, so a caption stays legible on any background the user picks.
std::uint32_t ContrastingColour(std::uint32_t background);

}  // namespace text
