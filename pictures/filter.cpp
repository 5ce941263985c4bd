#include "pictures/filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pictures {
namespace {

double Sinc(double t) {
  if (t == 0.0) return 1.0;
  const double x = std::numbers::pi * t;
  return std::sin(x) / x;
}

double Support(Filter filter) { return filter == Filter::kLanczos3 ? 3.0 : 1.0; }

double Kernel(Filter filter, double t) {
  t = std::abs(t);
  if (t >= Support(filter)) return 0.0;
  return filter == Filter::kLanczos3 ? Sinc(t) * Sinc(t / 3.0) : 1.0 - t;
}

// Rounds normalised weights to fixed point; the rounding error goes to the largest weight so
// the sum is exactly kWeightOne.
void Quantise(const std::vector<double>& weights, double sum, int16_t* out) {
  int total = 0;
  size_t largest = 0;
  for (size_t k = 0; k < weights.size(); ++k) {
    out[k] = static_cast<int16_t>(std::lround(weights[k] / sum * kWeightOne));
    total += out[k];
    if (weights[k] > weights[largest]) largest = k;
  }
  out[largest] = static_cast<int16_t>(out[largest] + (kWeightOne - total));
}

// The weights of one output as (first input, weights per input from there), edges clamped.
int KernelTaps(int inputSize, double scale, int output, Filter filter,
               std::vector<double>& weights) {
  const double centre = (output + 0.5) * scale - 0.5;
  const double stretch = std::max(scale, 1.0);
  const double reach = Support(filter) * stretch;
  const int lo = static_cast<int>(std::floor(centre - reach)) + 1;
  const int hi = static_cast<int>(std::ceil(centre + reach)) - 1;
  const int first = std::clamp(lo, 0, inputSize - 1);
  const int last = std::clamp(hi, 0, inputSize - 1);
  weights.assign(static_cast<size_t>(last - first + 1), 0.0);
  for (int j = lo; j <= hi; ++j) {
    weights[std::clamp(j, 0, inputSize - 1) - first] += Kernel(filter, (j - centre) / stretch);
  }
  return first;
}

int NearestInput(int inputSize, double scale, int output) {
  return std::clamp(static_cast<int>(std::floor((output + 0.5) * scale)), 0, inputSize - 1);
}

}  // namespace

AxisTaps BuildAxisTaps(int inputSize, double scale, int begin, int end, Filter filter) {
  const int outputs = end - begin;
  AxisTaps taps;
  taps.first.resize(static_cast<size_t>(outputs));
  taps.count.resize(static_cast<size_t>(outputs));
  std::vector<std::vector<double>> perOutput(static_cast<size_t>(outputs));
  for (int i = 0; i < outputs; ++i) {
    if (filter == Filter::kNearest) {
      taps.first[i] = NearestInput(inputSize, scale, begin + i);
      perOutput[i] = {1.0};
    } else {
      taps.first[i] = KernelTaps(inputSize, scale, begin + i, filter, perOutput[i]);
    }
    taps.count[i] = static_cast<int>(perOutput[i].size());
    taps.stride = std::max(taps.stride, taps.count[i]);
  }
  taps.weights.assign(static_cast<size_t>(outputs) * taps.stride, 0);
  for (int i = 0; i < outputs; ++i) {
    double sum = 0.0;
    for (double w : perOutput[i]) sum += w;
    Quantise(perOutput[i], sum, taps.weights.data() + static_cast<size_t>(i) * taps.stride);
  }
  return taps;
}

int BoxFactor(int sourceSize, int targetSize, Filter filter) {
  if (filter == Filter::kNearest) return 1;
  return std::clamp(sourceSize / (2 * targetSize), 1, kMaxBoxFactor);
}

}  // namespace pictures
