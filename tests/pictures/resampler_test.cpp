#include "pictures/resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <vector>

namespace pictures {
namespace {

// The filters in double precision: a dense output × source matrix per axis, the box folded in.
std::vector<std::vector<double>> Axis(int source, int target, Filter f) {
  const int factor = BoxFactor(source, target, f), boxes = (source + factor - 1) / factor;
  const double scale = double(source) / factor / target, stretch = std::max(scale, 1.0);
  std::vector<std::vector<double>> m(target, std::vector<double>(source, 0.0));
  auto kernel = [&](double t) {
    const double x = std::numbers::pi * t;
    if (f == Filter::kLinear) return std::max(0.0, 1 - std::abs(t));
    return t == 0 ? 1 : std::abs(t) < 3 ? 3 * std::sin(x) * std::sin(x / 3) / (x * x) : 0;
  };
  for (int o = 0; o < target; ++o) {
    std::vector<double> w(boxes, 0.0);
    const double centre = (o + 0.5) * scale - 0.5;
    if (f == Filter::kNearest) w[std::clamp(int(std::floor(centre + 0.5)), 0, boxes - 1)] = 1;
    for (int j = int(centre - 3 * stretch) - 2;
         f != Filter::kNearest && j < centre + 3 * stretch + 2; ++j)
      w[std::clamp(j, 0, boxes - 1)] += kernel((j - centre) / stretch);
    const double sum = std::accumulate(w.begin(), w.end(), 0.0);
    for (int s = 0; s < source; ++s)
      m[o][s] = w[s / factor] / sum / std::min(factor, source - s / factor * factor);
  }
  return m;
}

// The whole target as levels in double, colour premultiplied by alpha / 255.
std::vector<double> Reference(const ResampleRequest& t, const std::vector<uint8_t>& src) {
  const int sw = t.sourceWidth, sh = t.sourceHeight, dw = t.targetWidth, c = t.channels;
  const auto mx = Axis(sw, dw, t.filter), my = Axis(sh, t.targetHeight, t.filter);
  std::vector<double> across(size_t(sh) * dw * c, 0.0), out(my.size() * dw * c, 0.0);
  for (size_t i = 0; i < src.size(); ++i) {
    const double v = c == 3 || i % 4 == 3 ? src[i] : src[i] * src[i | 3] / 255.0;
    for (int x = 0; x < dw; ++x) across[(i / c / sw * dw + x) * c + i % c] += mx[x][i / c % sw] * v;
  }
  for (size_t i = 0; i < out.size(); ++i)
    for (int j = 0; j < sh; ++j) out[i] += my[i / c / dw][j] * across[j * dw * c + i % (dw * c)];
  return out;
}

std::vector<uint8_t> Resample(const ResampleRequest& request, const std::vector<uint8_t>& src) {
  auto resampler = Resampler::Create(request);
  std::vector<uint8_t> out;
  for (int y = 0; !resampler->Done();)
    if (auto row = resampler->Pull())
      out.insert(out.end(), row->begin(), row->end());
    else
      EXPECT_TRUE(resampler->Push(&src[size_t(y++) * request.sourceWidth * request.channels]));
  return out;
}

TEST(Resampler, MatchesTheDoublePrecisionFiltersWithinOneLevel) {
  const Filter N = Filter::kNearest, L = Filter::kLinear, Z = Filter::kLanczos3;
  // clang-format off
  const ResampleRequest cases[] = {
      {17, 11, 40, 25, L, 3, {}},   {17, 11, 40, 25, Z, 3, {}},   {40, 25, 17, 11, Z, 3, {}},
      {33, 21, 33, 21, Z, 3, {}},   {33, 21, 33, 21, L, 4, {}},   {1000, 9, 3, 5, Z, 3, {}},
      {9, 1000, 4, 3, L, 4, {}},    {3, 2, 1000, 7, Z, 3, {}},    {1, 1, 5, 4, Z, 3, {}},
      {1, 7, 4, 1, L, 3, {}},       {31, 19, 12, 7, N, 3, {}},    {7, 5, 29, 13, N, 4, {}},
      {200, 150, 23, 17, Z, 4, {}}, {640, 480, 37, 29, Z, 3, {}}, {121, 91, 61, 45, L, 3, {}},
      {100, 80, 60, 48, Z, 3, Window{10, 5, 50, 40}},             {90, 64, 40, 31, Z, 4, Window{3, 0, 40, 9}},
  };
  // clang-format on
  for (const ResampleRequest& t : cases) {
    const int c = t.channels;
    std::vector<uint8_t> src(size_t(t.sourceWidth) * t.sourceHeight * c);
    for (size_t i = 0; i < src.size(); ++i)
      src[i] = c == 4 && i % 4 == 3 ? 40 + (i * 7 / 4) % 216 : (i * i * 2654435761u) >> 24;
    const Window w = t.window.value_or(Window{0, 0, t.targetWidth, t.targetHeight});
    const auto got = Resample(t, src);
    const auto want = Reference(t, src);
    ASSERT_EQ(got.size(), size_t(w.x1 - w.x0) * (w.y1 - w.y0) * c) << &t - cases;
    size_t i = 0, compared = 0, inexact = 0;
    for (int y = w.y0; y < w.y1; ++y)
      for (int x = w.x0; x < w.x1; ++x)
        for (int k = 0; k < c; ++k, ++i) {
          const double* p = &want[(size_t(y) * t.targetWidth + x) * c];
          const double alpha = c == 4 ? p[3] : 255;
          // Colour under nearly clear alpha is a ratio of two tiny sums: not compared.
          if (k != 3 && alpha < 32) continue;
          const long level = std::clamp(std::lround(k == 3 ? alpha : p[k] * 255 / alpha), 0L, 255L);
          ASSERT_NEAR(got[i], level, 1) << &t - cases << " at " << x << "," << y << "," << k;
          ++compared, inexact += got[i] != level;
        }
    // A biased rounding stays within one level but misses far more often than this.
    EXPECT_LE(inexact * 50, compared) << inexact << " of " << compared << " in " << &t - cases;
  }
}

TEST(Resampler, ClearPixelsLendNoColourToAnEdge) {
  // An opaque red square on clear green, shrunk and enlarged: every visible pixel stays red.
  std::vector<uint8_t> src;
  for (int i = 0; i < 24 * 24; ++i) {
    const uint8_t red = i % 24 / 8 == 1 && i / 24 / 8 == 1 ? 255 : 0;
    src.insert(src.end(), {0, uint8_t(255 - red), red, red});
  }
  for (int side : {7, 10, 57})
    for (Filter f : {Filter::kLinear, Filter::kLanczos3}) {
      const auto out = Resample({24, 24, side, side, f, 4, {}}, src);
      int partial = 0;
      for (size_t i = 0; i < out.size(); i += 4) {
        if (out[i + 3] == 0) continue;
        partial += out[i + 3] < 255;
        ASSERT_EQ(out[i] + out[i + 1] * 256 + out[i + 2] * 65536, 255 * 65536) << i / 4;
      }
      EXPECT_GT(partial, 0);
    }
}

TEST(Resampler, RefusesSizesChannelsAndWindowsThatMakeNoSense) {
  const std::pair<ResampleRequest, const char*> cases[] = {
      {{0, 5, 4, 4, Filter::kLinear, 3, {}}, "source size 0x5 is outside 1..1048576"},
      {{4, 4, 4, 4, Filter::kLinear, 1, {}}, "1 channels: only B,G,R and B,G,R,A are resampled"},
      {{4, 4, 4, 4, Filter::kLinear, 3, Window{2, 2, 2, 4}},
       "window is empty or outside the target"},
  };
  for (const auto& [request, reason] : cases) EXPECT_EQ(Resampler::Create(request).error(), reason);
  // A row pushed while an output row waits to be pulled would overwrite one it needs.
  auto resampler = Resampler::Create({2, 2, 2, 2, Filter::kNearest, 3, {}});
  const uint8_t row[6] = {};
  EXPECT_TRUE(resampler->Push(row) && !resampler->Push(row) && resampler->Pull());
}

}  // namespace
}  // namespace pictures
