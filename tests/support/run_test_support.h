#pragma once
// Real source images in a temporary directory, the window set up for a run, and the written
// file read back pixel by pixel.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/bmp_format/bmp_format.h"
#include "tests/support/form_test_support.h"

namespace eveda::testing {

// Colours as the image builder takes them and as the pixel reader returns them.
using Rgb = std::uint32_t;  // 0x00RRGGBB

// The COLORREF (0x00BBGGRR) for a colour: what the colour chooser answers.
constexpr std::int32_t ColorRefOf(Rgb rgb) {
  return static_cast<std::int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// A pixel that tells where in its source it came from: green the column, blue the row.
constexpr Rgb Pattern(int x, int y) {
  return 0x400000u | (static_cast<Rgb>(x & 0xFF) << 8) | static_cast<Rgb>(y & 0xFF);
}

// A 24-bit bottom-up BMP file whose pixel (x, y) is colour(x, y).
void WriteImage(const TempDir& dir, const std::string& name, int width, int height,
                const std::function<Rgb(int x, int y)>& colour);
void WriteSolid(const TempDir& dir, const std::string& name, int width, int height, Rgb colour);
void WritePattern(const TempDir& dir, const std::string& name, int width, int height);

// A written 24-bit bottom-up BMP file.
struct WrittenBmp {
  std::vector<std::uint8_t> bytes;  // the whole file; empty when it cannot be read
  int width = 0;
  int height = 0;
  int Stride() const { return static_cast<int>(bmp_format::RowStride(width, 24)); }
  // Throws for a pixel outside the file rather than reading past it.
  Rgb Pixel(int x, int y) const;
};
WrittenBmp ReadWritten(const std::string& path);
std::vector<std::uint8_t> ReadBytes(const std::string& path);

// The 54 header bytes the writer must produce for a width x height 24-bit image.
std::vector<std::uint8_t> ExpectedHeader(int width, int height);

// The four layout boxes and both lists, set as the program sets them.
struct Layout {
  std::string blockWidth = "100";
  std::string blockHeight = "50";
  std::string spacing = "3";
  std::string wrap = "2";
  int order = 0;
  int fit = 0;
};
void Configure(Window& window, const Layout& layout);
// Picks the background with the colour button, as the user does.
void ChooseBackground(Window& window, Rgb colour);

// Brushes, contexts and bitmaps alive now: a run must leave as many as it found.
std::size_t LiveDrawingObjects();

// The names in a directory and below it, relative and sorted: what a run left behind.
std::vector<std::string> Tree(const std::string& dir);

// Whether the calling thread holds back every stop signal, as every thread but the one that
// tracks the output's temporary name must.
bool StopSignalsHeldHere();

}  // namespace eveda::testing
