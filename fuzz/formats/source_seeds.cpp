// Writes the seed corpora of the WebP, TIFF, GIF and HEIF source fuzzers, one file of each kind
// the decoders know, by each format's own library: WebP lossy and lossless, with and without
// alpha; TIFF in every depth and photometric, stripped and tiled, in each compression, turned
// with a profile; GIF plain, interlaced, transparent and framed; HEIF in HEVC and AV1 (where
// libheif has the encoders), with and without alpha.
// Usage: source_seeds WEBP_DIR TIFF_DIR GIF_DIR HEIF_DIR

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/formats/reference_pictures.h"

namespace {

using namespace formats::testing;

int written = 0;

// Straight alpha of 255, 51 and 0, so that the encoders keep an alpha plane.
Pixel ClearPixel(std::uint32_t x, std::uint32_t y) {
  return {FivesAt(x, y, 0), FivesAt(x, y, 1), FivesAt(x, y, 2), AlphaAt(x, y)};
}

void Save(const std::filesystem::path& path, const Bytes& bytes) {
  if (bytes.empty()) return;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  written += bool(out);
}

// Sample s of a picture whose samples have `bits` bits.
template <int bits>
std::uint32_t Ramp(std::uint32_t x, std::uint32_t y, int s) {
  return (x * 5 + y * 3 + std::uint32_t(s) * 7) % (1u << bits);
}

}  // namespace

// The encoders' own leaks (x265 keeps some) are no concern of a program that writes a few files.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s WEBP_DIR TIFF_DIR GIF_DIR HEIF_DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path webp = argv[1], tiff = argv[2], gif = argv[3], heif = argv[4];
  for (const auto& dir : {webp, tiff, gif, heif}) std::filesystem::create_directories(dir);

  const Bytes bgr = Picture(SmoothPixel, false), bgra = Picture(ClearPixel, true);
  for (const bool alpha : {false, true}) {
    const Bytes& pixels = alpha ? bgra : bgr;
    const std::string a = alpha ? "a" : "";
    Save(webp / ("lossy" + a + ".webp"), WriteWebp(pixels, alpha, false));
    Save(webp / ("lossless" + a + ".webp"), WriteWebp(pixels, alpha, true));
    Save(heif / ("hevc" + a + ".heic"), WriteHeif(pixels, alpha, false));
    Save(heif / ("av1" + a + ".avif"), WriteHeif(pixels, alpha, true));
  }

  constexpr std::uint16_t kGrey = PHOTOMETRIC_MINISBLACK, kRgb = PHOTOMETRIC_RGB;
  struct TiffKind {
    const char* name;
    TiffSpec spec;
    SampleAt sample;
  };
  // clang-format off
  const TiffKind tiffs[] = {
      {"grey1", {1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4}, Ramp<1>},
      {"grey1g3", {1, 1, kGrey, COMPRESSION_CCITTFAX3}, Ramp<1>},
      {"grey2packbits", {2, 1, kGrey, COMPRESSION_PACKBITS}, Ramp<2>},
      {"grey4lzw", {4, 1, kGrey, COMPRESSION_LZW}, Ramp<4>},
      {"grey8tiled", {8, 1, kGrey, COMPRESSION_ADOBE_DEFLATE, 0, true}, Ramp<8>},
      {"grey16", {16, 1, kGrey, COMPRESSION_NONE}, Ramp<16>},
      {"greya8", {8, 2, kGrey, COMPRESSION_LZW, EXTRASAMPLE_UNASSALPHA}, Ramp<8>},
      {"palette4", {4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW}, Ramp<4>},
      {"palette8tiled", {8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS, 0, true}, Ramp<8>},
      {"rgb8deflate", {8, 3, kRgb, COMPRESSION_ADOBE_DEFLATE}, Ramp<8>},
      {"rgb8zstd", {8, 3, kRgb, COMPRESSION_ZSTD}, Ramp<8>},
      {"rgb8lzma", {8, 3, kRgb, COMPRESSION_LZMA}, Ramp<8>},
      {"rgb8webp", {8, 3, kRgb, COMPRESSION_WEBP}, Ramp<8>},
      {"rgb16tiledlzw", {16, 3, kRgb, COMPRESSION_LZW, 0, true}, Ramp<16>},
      {"rgbaunassociated", {8, 4, kRgb, COMPRESSION_NONE, EXTRASAMPLE_UNASSALPHA}, Ramp<8>},
      {"rgbaassociatedtiled", {8, 4, kRgb, COMPRESSION_PACKBITS, EXTRASAMPLE_ASSOCALPHA, true}, Ramp<8>},
      {"cmyk", {8, 4, PHOTOMETRIC_SEPARATED, COMPRESSION_LZW}, Ramp<8>},
      {"jpegycbcr", {8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_JPEG}, Ramp<8>},
      {"jpegtiled", {8, 3, PHOTOMETRIC_YCBCR, COMPRESSION_JPEG, 0, true}, Ramp<8>},
      {"turnedicc", {8, 3, kRgb, COMPRESSION_NONE, 0, false, 6}, Ramp<8>},
  };
  // clang-format on
  for (const TiffKind& kind : tiffs)
    Save(tiff / (std::string(kind.name) + ".tif"), WriteTiff(kind.spec, kind.sample));

  const GifKind gifs[] = {
      {"opaque", 0, 0, kW, kH, NO_TRANSPARENT_COLOR, false},
      {"interlaced", 0, 0, kW, kH, NO_TRANSPARENT_COLOR, true},
      {"transparent", 0, 0, kW, kH, 7, false},
      {"framed", 5, 3, 20, 11, NO_TRANSPARENT_COLOR, true},
  };
  for (const GifKind& kind : gifs) Save(gif / (std::string(kind.name) + ".gif"), WriteGif(kind));

  std::printf("%d seed files in %s, %s, %s and %s\n", written, webp.c_str(), tiff.c_str(),
              gif.c_str(), heif.c_str());
  return 0;
}
