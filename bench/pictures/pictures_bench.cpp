// Milliseconds for the pictures library's work on one photograph-sized frame: resampling
// streamed row by row (the source rows already in memory), turning a frame, and converting
// rows to sRGB. Best of a few runs after an untimed one.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "pictures/colour_transform.h"
#include "pictures/orientation.h"
#include "pictures/resampler.h"

namespace {

using namespace pictures;

template <class Work>
double BestMilliseconds(const Work& work) {
  work();
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count());
  }
  return best;
}

std::vector<uint8_t> Photo(int width, int height, int channels) {
  std::vector<uint8_t> pixels(size_t(width) * height * channels);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t((i * 2654435761u) >> 24);
  return pixels;
}

void Resample(const char* name, const ResampleRequest& request) {
  const auto src = Photo(request.sourceWidth, request.sourceHeight, request.channels);
  const size_t stride = size_t(request.sourceWidth) * request.channels;
  const double ms = BestMilliseconds([&] {
    auto resampler = Resampler::Create(request);
    unsigned sum = 0;
    for (int y = 0; !resampler->Done();) {
      if (auto row = resampler->Pull()) {
        sum += (*row)[0];
      } else {
        (void)resampler->Push(&src[y++ * stride]);
      }
    }
    if (sum == 1u << 31) std::puts("");
  });
  std::printf("%-44s %8.1f ms\n", name, ms);
}

void Orient(int orientation) {
  const int w = 6000, h = 4000;
  const auto src = Photo(w, h, 3);
  std::vector<uint8_t> out(src.size());
  const double ms = BestMilliseconds([&] { (void)OrientFrame(src, w, h, 3, orientation, out); });
  std::printf("orient 6000x4000 RGB, orientation %d          %8.1f ms\n", orientation, ms);
}

void Colour() {
  std::ifstream file("/usr/share/color/icc/ghostscript/a98.icc", std::ios::binary);
  const std::vector<uint8_t> profile{std::istreambuf_iterator<char>(file), {}};
  auto transform = ColourTransform::FromIcc(profile, ColourInput::kBgr);
  if (!transform) {
    std::printf("colour: %s\n", transform.error().c_str());
    return;
  }
  const auto src = Photo(6000, 4000, 3);
  std::vector<uint8_t> out(6000 * 3);
  const double ms = BestMilliseconds([&] {
    for (int y = 0; y < 4000; ++y) transform->ConvertRow(&src[size_t(y) * 18000], out.data(), 6000);
  });
  std::printf("%-44s %8.1f ms\n", "Adobe RGB -> sRGB, 6000x4000 rows", ms);
  std::printf("%-44s %8.1f ms\n", "Adobe RGB -> sRGB, 320x240 rows", ms * 320 * 240 / 24e6);
}

}  // namespace

int main() {
  const Filter L = Filter::kLanczos3;
  Resample("lanczos3 4000x3000 RGB -> 320x240", {4000, 3000, 320, 240, L, 3, std::nullopt});
  Resample("lanczos3 6000x4000 RGB -> 320x213", {6000, 4000, 320, 213, L, 3, std::nullopt});
  Resample("lanczos3 6000x4000 RGB -> cover 320x320",
           {6000, 4000, 480, 320, L, 3, Window{80, 0, 400, 320}});
  Resample("lanczos3 6000x4000 RGBA -> 320x213", {6000, 4000, 320, 213, L, 4, std::nullopt});
  Resample("lanczos3 750x500 RGB -> 320x213 (DCT 1/8)", {750, 500, 320, 213, L, 3, std::nullopt});
  Resample("lanczos3 1500x1000 RGB -> 320x213 (DCT 1/4)",
           {1500, 1000, 320, 213, L, 3, std::nullopt});
  Resample("lanczos3 6000x4000 RGB -> 2000x1333", {6000, 4000, 2000, 1333, L, 3, std::nullopt});
  Resample("linear 6000x4000 RGB -> 320x213",
           {6000, 4000, 320, 213, Filter::kLinear, 3, std::nullopt});
  Resample("lanczos3 320x240 RGB -> 1280x960", {320, 240, 1280, 960, L, 3, std::nullopt});
  Orient(1);
  Orient(6);
  Colour();
}
