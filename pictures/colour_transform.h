#pragma once
// A picture's embedded ICC profile turned into a transform to sRGB (relative colorimetric),
// applied a row at a time. Output is B,G,R, or B,G,R,A with the input's alpha copied through.
// A profile Little CMS cannot read, or one made for other pixels than the picture's, is an
// error with a reason: the caller draws the picture without it and says so.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/result.h"

namespace pictures {

enum class ColourInput {
  kRgb,
  kBgr,
  kRgba,
  kBgra,
  kGrey,
  kCmyk,          // as libjpeg gives it: 0 is no ink
  kCmykInverted,  // Adobe's files: 255 is no ink
};

class ColourTransform {
 public:
  static eveda::Result<ColourTransform, std::string> FromIcc(std::span<const uint8_t> profile,
                                                             ColourInput input);
  ColourTransform(ColourTransform&&) noexcept;
  ColourTransform& operator=(ColourTransform&&) noexcept;
  ~ColourTransform();

  int InputChannels() const;
  int OutputChannels() const;  // 4 when the input has alpha, else 3
  // Converts `width` pixels; `in` and `out` do not overlap.
  void ConvertRow(const uint8_t* in, uint8_t* out, int width) const;

 private:
  struct State;
  explicit ColourTransform(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
  ColourInput input_ = ColourInput::kRgb;
};

}  // namespace pictures
