#pragma once
// PNG (libpng) and JPEG (libjpeg) files written from known samples, so that the decoders are
// checked against an independent encoder. No GoogleTest here: the fuzzer's seeds and the
// benchmarks use them too.

#include <cstdint>
#include <string>
#include <vector>

namespace eveda::testing {

struct PngSpec {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  int colourType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
  int bitDepth = 8;
  bool interlaced = false;
  // Samples in row order, channels per pixel as the colour type has them, each below
  // 2^bitDepth; palette indices for colour type 3.
  std::vector<std::uint16_t> samples;
  std::vector<std::uint8_t> palette;  // R,G,B per entry
  std::vector<std::uint8_t> paletteAlpha;  // tRNS for colour type 3
  std::vector<std::uint16_t> transparentKey;  // tRNS for types 0 (one value) and 2 (three)
  int level = 6;
  std::vector<std::uint8_t> exif;  // an eXIf chunk when not empty
};

std::vector<std::uint8_t> WritePng(const PngSpec& spec);

// A width x height 8-bit grey PNG of zeros written to `path` a row at a time, so a picture far
// larger than the test's memory can be made; false when it could not be written.
bool WriteZeroPngFile(const std::string& path, std::uint32_t width, std::uint32_t height);

// A little-endian EXIF block (TIFF form) whose one directory holds an Orientation of `value`.
std::vector<std::uint8_t> ExifOrientation(std::uint16_t value);

enum class JpegKind { Grey, YCbCr, Cmyk, Ycck };

struct JpegSpec {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  JpegKind kind = JpegKind::YCbCr;
  bool progressive = false;
  int quality = 95;
  bool arithmetic = false;  // arithmetic entropy coding instead of Huffman
  int restartInterval = 0;  // MCUs between restart markers, 0 for none
  // Luma (or first component) sampling factors; the others stay 1x1. 0 keeps libjpeg's.
  int hSampling = 0;
  int vSampling = 0;
  // R,G,B for YCbCr; one grey byte for Grey; C,M,Y,K as stored (Adobe: inverted) for the others.
  std::vector<std::uint8_t> samples;
  std::vector<std::uint8_t> exif;  // an APP1 "Exif" segment holding this when not empty
};

std::vector<std::uint8_t> WriteJpeg(const JpegSpec& spec);

// Smooth photographic-like content: gradients with a little noise, `channels` per pixel.
std::vector<std::uint8_t> PhotoLikeSamples(std::uint32_t width, std::uint32_t height,
                                           int channels, std::uint32_t seed);

}  // namespace eveda::testing
