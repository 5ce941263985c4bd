// eveda-samples DIR: writes a handful of small, colourful BMP files of different sizes and
// depths into DIR (creating it), to try the joiner on.
// eveda-samples DIR --count N --size WxH: N 24-bit files of W x H instead, for benchmarks.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/bmp_builder.h"

namespace {

using eveda::testing::BmpSpec;
using Values = std::vector<std::uint32_t>;

std::uint32_t rgb(double r, double g, double b) {
  const auto channel = [](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

// Hue 0..1 at full saturation.
std::uint32_t hue(double h) {
  const double x = std::fmod(h, 1.0) * 6.0;
  const double up = x - std::floor(x), down = 1.0 - up;
  switch (static_cast<int>(x)) {
    case 0:
      return rgb(1, up, 0);
    case 1:
      return rgb(down, 1, 0);
    case 2:
      return rgb(0, 1, up);
    case 3:
      return rgb(0, down, 1);
    case 4:
      return rgb(up, 0, 1);
    default:
      return rgb(1, 0, down);
  }
}

template <class F>
Values pixels(int width, int height, F at) {
  Values out;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.push_back(at(x, y));
  }
  return out;
}

BmpSpec spec(int width, int height, unsigned bits, Values palette = {}) {
  BmpSpec s;
  s.width = width;
  s.height = height;
  s.bitCount = static_cast<std::uint16_t>(bits);
  s.palette = std::move(palette);
  return s;
}

std::vector<std::uint8_t> rows(const BmpSpec& s, const Values& values) {
  return eveda::testing::build_bmp(
      s, eveda::testing::pack_rows(s.width, s.height, s.bitCount, false, values));
}

std::vector<std::uint8_t> gradient_24() {
  return rows(spec(120, 90, 24), pixels(120, 90, [](int x, int y) {
                return rgb(x / 119.0, y / 89.0, 1.0 - x / 119.0);
              }));
}

std::vector<std::uint8_t> rings_8() {
  Values palette;
  for (int i = 0; i < 256; ++i) palette.push_back(hue(i / 256.0));
  return rows(spec(64, 64, 8, palette), pixels(64, 64, [](int x, int y) {
                return static_cast<std::uint32_t>(std::hypot(x - 32, y - 32) * 8) & 255;
              }));
}

std::vector<std::uint8_t> stripes_4() {
  Values palette;
  for (int i = 0; i < 16; ++i) palette.push_back(hue(i / 16.0));
  return rows(spec(80, 60, 4, palette), pixels(80, 60, [](int x, int y) {
                return static_cast<std::uint32_t>((x + y) / 8 % 16);
              }));
}

std::vector<std::uint8_t> checker_1() {
  return rows(spec(48, 48, 1, {0x1A237E, 0xFFD54F}), pixels(48, 48, [](int x, int y) {
                return static_cast<std::uint32_t>((x / 6 + y / 6) % 2);
              }));
}

std::vector<std::uint8_t> glow_32() {
  return rows(spec(100, 75, 32), pixels(100, 75, [](int x, int y) {
                const double d = std::hypot(x - 50, y - 37) / 62.0;
                return 0xFF000000u | rgb(1.0 - d, 0.6 - d / 2, d);  // top byte: unused alpha
              }));
}

std::vector<std::uint8_t> bands_rle8() {
  Values palette;
  for (int i = 0; i < 8; ++i) palette.push_back(hue(i / 8.0));
  BmpSpec s = spec(96, 64, 8, palette);
  s.compression = eveda::testing::kBiRle8;
  s.colorsUsed = 8;
  eveda::testing::RleStream stream;
  for (int y = 0; y < 64; ++y) {
    for (int band = 0; band < 4; ++band) {
      stream.run(24, static_cast<std::uint8_t>((band + y / 8) % 8));
    }
    stream.end_of_line();
  }
  stream.end_of_bitmap();
  return eveda::testing::build_bmp(s, stream.bytes());
}

// Each tile's hue turns a little further, so a joined grid shows its order.
std::vector<std::uint8_t> tile_24(int index, int count, int width, int height) {
  const double turn = static_cast<double>(index) / count;
  return rows(spec(width, height, 24), pixels(width, height, [&](int x, int y) {
                return hue(turn + 0.25 * (x + y) / (width + height));
              }));
}

using Samples = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

Samples showcase() {
  return {
      {"gradient_24bit_120x90.bmp", gradient_24()}, {"rings_8bit_64x64.bmp", rings_8()},
      {"stripes_4bit_80x60.bmp", stripes_4()},      {"checker_1bit_48x48.bmp", checker_1()},
      {"glow_32bit_100x75.bmp", glow_32()},         {"bands_rle8_96x64.bmp", bands_rle8()},
  };
}

Samples tiles(int count, int width, int height) {
  Samples out;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "tile%04d.bmp", i + 1);
    out.emplace_back(name, tile_24(i, count, width, height));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0, width = 0, height = 0;
  const bool tileMode =
      argc == 6 && std::string(argv[2]) == "--count" && std::string(argv[4]) == "--size" &&
      std::sscanf(argv[3], "%d", &count) == 1 &&
      std::sscanf(argv[5], "%dx%d", &width, &height) == 2 && count > 0 && count <= 10000 &&
      width > 0 && height > 0 && width <= 4096 && height <= 4096;
  if (argc != 2 && !tileMode) {
    std::fprintf(stderr, "usage: eveda-samples DIR [--count N --size WxH]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  const Samples samples = tileMode ? tiles(count, width, height) : showcase();
  for (const auto& [name, bytes] : samples) {
    const auto path = dir / name;
    if (!eveda::testing::write_file(path.string(), bytes)) {
      std::fprintf(stderr, "eveda-samples: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
