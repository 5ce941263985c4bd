#pragma once
// The resampling filters and the per-axis coefficient tables they become.
//
// Kernels, in source pixels at scale 1:
//   nearest   the source pixel whose area holds the sample position (one tap);
//   linear    the triangle 1 - |t|, support 1;
//   lanczos3  sinc(t) * sinc(t / 3), support 3.
// When shrinking by s, the kernel is stretched by s (support s, 3s), so that every source pixel
// contributes, as libvips's reduceh/reducev and Pillow do it. Sample positions are at pixel
// centres: source x = (target x + 0.5) * scale - 0.5; taps beyond an edge read the edge pixel.
// Weights are normalised in double precision, then rounded to 14-bit fixed point, and the
// largest is nudged so that each output's weights sum to exactly 1 << 14: a flat area stays flat.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictures {

enum class Filter { kNearest, kLinear, kLanczos3 };

inline constexpr int kWeightBits = 14;
inline constexpr int kWeightOne = 1 << kWeightBits;

// One axis's coefficients for the outputs of a window [begin, end): output i reads `count[i]`
// consecutive inputs from `first[i]`, weighted by `stride` entries at WeightsOf(i).
struct AxisTaps {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<int16_t> weights;
  int stride = 0;

  int Outputs() const { return static_cast<int>(first.size()); }
  const int16_t* WeightsOf(int i) const {
    return weights.data() + static_cast<std::size_t>(i) * stride;
  }
  int MaxCount() const { return stride; }
};

// Taps for outputs [begin, end) of an axis that maps `inputSize` samples at `scale` input
// samples per output sample.
AxisTaps BuildAxisTaps(int inputSize, double scale, int begin, int end, Filter filter);

// The integer factor of the exact box pre-shrink before the kernel: large reductions are first
// averaged down by whole blocks, leaving the kernel between 2x and 4x (libvips's and Pillow's
// default gap of 2), which keeps the taps few without the aliasing of a box alone. 1 for
// nearest and for anything under 4x; at most kMaxBoxFactor, so a block's column of samples
// sums in 32 bits (the kernel takes what is left of a reduction past that).
inline constexpr int kMaxBoxFactor = 1 << 16;
int BoxFactor(int sourceSize, int targetSize, Filter filter);

}  // namespace pictures
