#include "tools/samples.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "tools/sample_bmp.h"

namespace tools {
namespace {

using Values = std::vector<std::uint32_t>;

std::uint32_t Rgb(double r, double g, double b) {
  const auto channel = [](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

// Hue 0..1 at full saturation.
std::uint32_t Hue(double h) {
  const double x = std::fmod(h, 1.0) * 6.0;
  const double up = x - std::floor(x), down = 1.0 - up;
  switch (static_cast<int>(x)) {
    case 0:
      return Rgb(1, up, 0);
    case 1:
      return Rgb(down, 1, 0);
    case 2:
      return Rgb(0, 1, up);
    case 3:
      return Rgb(0, down, 1);
    case 4:
      return Rgb(up, 0, 1);
    default:
      return Rgb(1, 0, down);
  }
}

Values HueWheel(int entries) {
  Values palette;
  for (int i = 0; i < entries; ++i) palette.push_back(Hue(double(i) / entries));
  return palette;
}

SampleImage Image(int width, int height, int bitCount, Values palette,
                  const std::function<std::uint32_t(int, int)>& at) {
  SampleImage image{bitCount, width, height, std::move(palette), {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.values.push_back(at(x, y));
  }
  return image;
}

struct Sample {
  std::string name;
  std::function<bool(const std::string& path)> write;
};

Sample Canvas(std::string name, SampleImage image) {
  return {std::move(name), [image = std::move(image)](const std::string& path) {
            return WriteSampleBMP(image, path);
          }};
}

Sample BandsRle8() {
  std::vector<std::vector<std::uint8_t>> rows;
  for (int y = 0; y < 64; ++y) {
    std::vector<std::uint8_t>& row = rows.emplace_back();
    for (int band = 0; band < 4; ++band) row.push_back(std::uint8_t((band + y / 8) % 8));
  }
  return {"bands_rle8_96x64.bmp",
          [rows](const std::string& path) { return WriteRunsRLE8(rows, 24, HueWheel(8), path); }};
}

std::vector<Sample> Showcase() {
  std::vector<Sample> out;
  out.push_back(Canvas("gradient_24bit_120x90.bmp", Image(120, 90, 24, {}, [](int x, int y) {
                         return Rgb(x / 119.0, y / 89.0, 1.0 - x / 119.0);
                       })));
  out.push_back(Canvas("rings_8bit_64x64.bmp", Image(64, 64, 8, HueWheel(256), [](int x, int y) {
                         return std::uint32_t(std::hypot(x - 32, y - 32) * 8) & 255;
                       })));
  out.push_back(Canvas("stripes_4bit_80x60.bmp", Image(80, 60, 4, HueWheel(16), [](int x, int y) {
                         return std::uint32_t((x + y) / 8 % 16);
                       })));
  out.push_back(Canvas("checker_1bit_48x48.bmp",
                       Image(48, 48, 1, {0x1A237E, 0xFFD54F},
                             [](int x, int y) { return std::uint32_t((x / 6 + y / 6) % 2); })));
  out.push_back(Canvas("glow_32bit_100x75.bmp", Image(100, 75, 32, {}, [](int x, int y) {
                         const double d = std::hypot(x - 50, y - 37) / 62.0;
                         return 0xFF000000u | Rgb(1.0 - d, 0.6 - d / 2, d);  // unused alpha
                       })));
  out.push_back(BandsRle8());
  return out;
}

// Each tile's hue turns a little further, so a joined grid shows its order.
SampleImage Tile(int index, const SampleRequest& request) {
  const double turn = static_cast<double>(index) / request.count;
  const int width = request.width, height = request.height;
  const auto hueAt = [=](int x, int y) { return turn + 0.25 * (x + y) / (width + height); };
  if (request.bitCount == 8) {
    return Image(width, height, 8, HueWheel(256), [=](int x, int y) {
      return std::uint32_t(std::lround(std::fmod(hueAt(x, y), 1.0) * 256)) & 255;
    });
  }
  return Image(width, height, 24, {}, [=](int x, int y) { return Hue(hueAt(x, y)); });
}

std::vector<Sample> Tiles(const SampleRequest& request) {
  std::vector<Sample> out;
  for (int i = 0; i < request.count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "tile%04d.bmp", i + 1);
    out.push_back(Canvas(name, Tile(i, request)));
  }
  return out;
}

bool ReadWhole(const std::string& text, const char* format, int* a, int* b = nullptr) {
  char tail = 0;
  const int wanted = b ? 2 : 1;
  return b ? std::sscanf(text.c_str(), format, a, b, &tail) == wanted
           : std::sscanf(text.c_str(), format, a, &tail) == wanted;
}

}  // namespace

bool AsksForHelp(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(),
                     [](const std::string& a) { return a == "--help" || a == "-h"; });
}

std::optional<SampleRequest> ParseSampleArguments(const std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments[0].empty() || arguments[0].starts_with('-'))
    return std::nullopt;
  if (arguments.size() == 1) return SampleRequest{arguments[0]};
  if (arguments.size() != 5 && arguments.size() != 7) return std::nullopt;
  SampleRequest request{arguments[0], true};
  if (arguments[1] != "--count" || arguments[3] != "--size" ||
      !ReadWhole(arguments[2], "%d%c", &request.count) ||
      !ReadWhole(arguments[4], "%dx%d%c", &request.width, &request.height))
    return std::nullopt;
  if (arguments.size() == 7 &&
      (arguments[5] != "--bits" || !ReadWhole(arguments[6], "%d%c", &request.bitCount)))
    return std::nullopt;
  const auto within = [](int v, int most) { return v > 0 && v <= most; };
  if (!within(request.count, 10000) || !within(request.width, 4096) ||
      !within(request.height, 4096) || (request.bitCount != 8 && request.bitCount != 24))
    return std::nullopt;
  return request;
}

SampleOutcome WriteSamples(const SampleRequest& request) {
  const std::filesystem::path directory = request.directory;
  std::error_code ignored;  // a directory that cannot be made shows as the first failed file
  std::filesystem::create_directories(directory, ignored);
  SampleOutcome outcome;
  for (const Sample& sample : request.tiles ? Tiles(request) : Showcase()) {
    const std::string path = (directory / sample.name).string();
    if (!sample.write(path)) {
      outcome.failed = path;
      break;
    }
    outcome.written.push_back(path);
  }
  return outcome;
}

}  // namespace tools
