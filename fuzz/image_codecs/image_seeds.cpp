// Writes the seed corpora of the PNG and JPEG decoder fuzzers: every PNG colour type and depth
// (plain, Adam7, with tRNS) and every JPEG kind (baseline, progressive).
// Usage: image_seeds PNG_DIR JPEG_DIR

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/image_writers.h"

namespace {

using eveda::testing::JpegKind;

bool Save(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PNG_DIR JPEG_DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path png = argv[1], jpeg = argv[2];
  std::filesystem::create_directories(png);
  std::filesystem::create_directories(jpeg);
  int written = 0;
  const int kinds[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                          {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  for (const auto& [type, depth] : kinds) {
    for (const bool interlaced : {false, true}) {
      eveda::testing::PngSpec spec{
          .width = 9, .height = 7, .colourType = type, .bitDepth = depth, .interlaced = interlaced};
      const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
      const int top = type == 3 ? 1 : (1 << depth) - 1;
      for (int i = 0; i < 9 * 7 * channels; ++i)
        spec.samples.push_back(static_cast<std::uint16_t>(i * 37 % (top + 1)));
      if (type == 3) spec.palette = {0, 0, 0, 255, 0, 0}, spec.paletteAlpha = {128};
      if (type == 0 || type == 2) spec.transparentKey.assign(channels, 0);
      const std::string name = "t" + std::to_string(type) + "d" + std::to_string(depth) +
                               (interlaced ? "i" : "") + ".png";
      written += Save(png / name, eveda::testing::WritePng(spec));
    }
  }
  const JpegKind jpegKinds[] = {JpegKind::Grey, JpegKind::YCbCr, JpegKind::Cmyk, JpegKind::Ycck};
  for (const JpegKind kind : jpegKinds) {
    for (const bool progressive : {false, true}) {
      const int channels = kind == JpegKind::Grey ? 1 : kind == JpegKind::YCbCr ? 3 : 4;
      eveda::testing::JpegSpec spec{
          .width = 24, .height = 16, .kind = kind, .progressive = progressive, .quality = 75};
      spec.samples = eveda::testing::PhotoLikeSamples(24, 16, channels, 5);
      const std::string name =
          "k" + std::to_string(static_cast<int>(kind)) + (progressive ? "p" : "") + ".jpg";
      written += Save(jpeg / name, eveda::testing::WriteJpeg(spec));
    }
  }
  std::printf("%d seed files in %s and %s\n", written, png.c_str(), jpeg.c_str());
  return 0;
}
