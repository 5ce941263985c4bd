#pragma once
// Reference pictures, written by each format's own library, and what a stream of them yields.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/row_stream.h"

namespace formats::testing {

using Bytes = std::vector<std::uint8_t>;
inline constexpr std::uint32_t kW = 37, kH = 21;  // odd sizes: partial tiles, odd chroma

// Channel c (B, G, R) of a smooth picture, which lossy codecs keep well.
inline std::uint8_t Smooth(std::uint32_t x, std::uint32_t y, int c) { return std::uint8_t(40 + c * 50 + x * 2 + y * 2); }
// Straight alpha of 255, 51 or 0, and colours (multiples of 5; 0 where alpha is) that survive
// libtiff's premultiplying exactly.
inline std::uint8_t AlphaAt(std::uint32_t x, std::uint32_t y) { return std::uint8_t("\xff\x33\x00"[(x + y) % 3]); }
inline std::uint8_t FivesAt(std::uint32_t x, std::uint32_t y, int c) { return AlphaAt(x, y) ? std::uint8_t(5 * ((x * 7 + y * 3 + c * 13) % 52)) : 0; }
inline std::uint8_t PaletteColour(std::uint32_t i, int c) { return std::uint8_t(i * (3 + 2 * c)); }
inline int IndexAt(int x, int y) { return (x * 3 + y * 5) % 16; }

using Pixel = std::array<std::uint8_t, 4>;  // B, G, R, A
using Expected = Pixel (*)(std::uint32_t x, std::uint32_t y);

inline Bytes Picture(Expected at, bool alpha) {  // kW x kH of them, packed
  Bytes out;
  for (std::uint32_t i = 0, n = alpha ? 4 : 3; i < kW * kH * n; ++i) out.push_back(at(i / n % kW, i / n / kW)[i % n]);
  return out;
}
inline Pixel SmoothPixel(std::uint32_t x, std::uint32_t y) { return {Smooth(x, y, 0), Smooth(x, y, 1), Smooth(x, y, 2), 255}; }

// Every row of the stream, packed, read in two bands of different sizes; empty on an error.
inline Bytes ReadAll(RowStream& stream) {
  const StreamInfo& info = stream.Info();
  const std::size_t rowBytes = std::size_t(info.width) * (info.pixels == Pixels::Bgra ? 4 : 3);
  const std::uint32_t first = info.height / 3;
  Bytes rows(rowBytes * info.height);
  const bool ok = stream.Read(rows.data(), std::ptrdiff_t(rowBytes), first) &&
                  stream.Read(&rows[first * rowBytes], std::ptrdiff_t(rowBytes), info.height - first);
  return ok ? rows : Bytes{};
}

inline double Psnr(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size() && a.size() == b.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return a.size() != b.size() || a.empty() ? 0 : sum == 0 ? 99 : 10 * std::log10(65025.0 * double(a.size()) / sum);
}

// A TIFF of kW x kH by libtiff, in strips or tiles of 16: `sample(x, y, s)` is sample s. `extra`
// says what the last sample is (EXTRASAMPLE_*ALPHA); an orientation other than 1 brings the ICC
// profile "icc!".
struct TiffSpec { std::uint16_t bits, samples, photometric, compression, extra = 0; bool tiled = false; std::uint16_t orientation = 1; };
using SampleAt = std::uint32_t (*)(std::uint32_t x, std::uint32_t y, int s);
// A GIF by giflib: 16 colours (PaletteColour), a frame of IndexAt at (left, top) on kW x kH.
struct GifKind { const char* name; int left, top, width, height, transparent; bool interlaced; };

Bytes WriteWebp(const Bytes& bgrOrBgra, bool alpha, bool lossless, std::uint32_t width = kW);
// Two frames of frameFile at frameLeft on a kW x kH canvas, with an ICC profile.
Bytes WriteAnimatedWebp(const Bytes& frameFile, std::uint32_t frameLeft, const std::string& icc);
Bytes WriteHeif(const Bytes& bgrOrBgra, bool alpha, bool av1);  // with ICC "icc!"; empty: no encoder
Bytes WriteTiff(const TiffSpec& spec, SampleAt sample);
Bytes WriteGif(const GifKind& kind);
Bytes ReadFile(const std::string& path);

}  // namespace formats::testing
