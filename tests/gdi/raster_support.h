#pragma once
// Bitmaps built in code for the raster tests: a DIB section selected into its own context.

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/bmp_format/bmp_format.h"
#include "platform/gdi/gdi.h"

namespace eveda::testing {

struct DibOptions {
  int width = 1;
  int height = 1;  // negative: top-down
  int bitCount = 24;
  std::vector<gdi::RGBQUAD> colours;
  gdi::DWORD compression = gdi::BI_RGB;
  gdi::DWORD masks[3] = {0, 0, 0};
};

inline gdi::BITMAPINFO MakeInfo(const DibOptions& options) {
  gdi::BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = options.width;
  info.bmiHeader.biHeight = options.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<gdi::WORD>(options.bitCount);
  info.bmiHeader.biCompression = options.compression;
  info.bmiHeader.biClrUsed = static_cast<gdi::DWORD>(options.colours.size());
  for (std::size_t i = 0; i < options.colours.size() && i < 256; ++i)
    info.bmiColors[i] = options.colours[i];
  if (options.compression == gdi::BI_BITFIELDS) std::memcpy(info.bmiColors, options.masks, 12);
  return info;
}

// Owns a context with a DIB section selected, and releases both.
class Dib {
 public:
  explicit Dib(const DibOptions& options) : options_(options) {
    dc_ = gdi::CreateCompatibleDC(gdi::HDC{});
    const gdi::BITMAPINFO info = MakeInfo(options);
    void* bits = nullptr;
    bitmap_ = gdi::CreateDIBSection(dc_, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint8_t*>(bits);
    old_ = gdi::SelectObject(dc_, bitmap_);
  }
  ~Dib() {
    gdi::SelectObject(dc_, old_);
    gdi::DeleteObject(bitmap_);
    gdi::DeleteDC(dc_);
  }
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;

  gdi::HDC dc() const { return dc_; }
  gdi::HBITMAP bitmap() const { return bitmap_; }
  bool ok() const { return bitmap_ && bits_; }
  int width() const { return options_.width; }
  int height() const { return options_.height < 0 ? -options_.height : options_.height; }
  int stride() const {
    return static_cast<int>(bmp_format::RowStride(options_.width, options_.bitCount));
  }
  // Memory of image row y (counted from the top).
  std::uint8_t* row(int y) const {
    const int memoryRow = options_.height < 0 ? y : height() - 1 - y;
    return bits_ + memoryRow * stride();
  }
  // 24-bit pixels only.
  gdi::COLORREF Pixel(int x, int y) const {
    const std::uint8_t* p = row(y) + x * 3;
    return gdi::RGB(p[2], p[1], p[0]);
  }
  void SetPixel(int x, int y, gdi::COLORREF colour) const {
    std::uint8_t* p = row(y) + x * 3;
    p[0] = gdi::GetBValue(colour);
    p[1] = gdi::GetGValue(colour);
    p[2] = gdi::GetRValue(colour);
  }
  void Fill(gdi::COLORREF colour) const {
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width(); ++x) SetPixel(x, y, colour);
  }

 private:
  DibOptions options_;
  gdi::HDC dc_;
  gdi::HBITMAP bitmap_;
  gdi::HGDIOBJ old_;
  std::uint8_t* bits_ = nullptr;
};

inline DibOptions Rgb24(int width, int height) {
  DibOptions options;
  options.width = width;
  options.height = height;
  return options;
}

}  // namespace eveda::testing
