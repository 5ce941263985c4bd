#pragma once
// Reference pictures, written by each format's own library, and what a stream of them yields.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/row_stream.h"

namespace formats::testing {

using Bytes = std::vector<std::uint8_t>;
inline constexpr std::uint32_t kW = 37, kH = 21;  // odd sizes: partial tiles, odd chroma

// A smooth colour at (x, y) (lossy codecs keep it well), channel c of B,G,R.
inline std::uint8_t Smooth(std::uint32_t x, std::uint32_t y, int c) {
  return std::uint8_t(40 + c * 50 + x * 2 + y * 2);
}
// Straight alpha from {255, 51, 0} and a colour, a multiple of 5, that survives libtiff's
// premultiplying exactly (0 where alpha is 0).
inline std::uint8_t AlphaAt(std::uint32_t x, std::uint32_t y) { return (x + y) % 3 == 0 ? 255 : (x + y) % 3 == 1 ? 51 : 0; }
inline std::uint8_t FivesAt(std::uint32_t x, std::uint32_t y, int c) {
  return AlphaAt(x, y) == 0 ? 0 : std::uint8_t(5 * ((x * 7 + y * 3 + c * 13) % 52));
}

// Every row of the stream, packed, read in two bands of different sizes.
inline Bytes ReadAll(RowStream& stream) {
  const StreamInfo& info = stream.Info();
  const std::size_t rowBytes = std::size_t(info.width) * (info.pixels == Pixels::Bgra ? 4 : 3);
  Bytes rows(rowBytes * info.height);
  const std::uint32_t first = info.height / 3;
  if (!stream.Read(rows.data(), std::ptrdiff_t(rowBytes), first) ||
      !stream.Read(rows.data() + first * rowBytes, std::ptrdiff_t(rowBytes), info.height - first)) {
    return {};
  }
  return rows;
}

inline double Psnr(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

// Writers through the reference libraries (reference_writers.cpp).
Bytes WriteWebp(const Bytes& bgrOrBgra, bool alpha, bool lossless);
Bytes WriteAnimatedWebp(const Bytes& bgra, std::uint32_t frameLeft);  // two frames, kW x kH canvas
Bytes WriteHeif(const Bytes& rgbOrRgba, bool alpha, bool av1);       // empty: no encoder here
Bytes ReadFile(const std::string& path);


}  // namespace formats::testing

namespace formats::testing {
// A TIFF of kW x kH written by libtiff: `sample(x, y, s)` gives sample s of `bits` bits.
struct TiffSpec {
  std::uint16_t bits, samples, photometric, compression;
  std::uint16_t extra = 0;  // EXTRASAMPLE_ASSOCALPHA or _UNASSALPHA, as the last sample
  bool tiled = false;
  std::uint16_t orientation = 1;
};
using SampleAt = std::uint32_t (*)(std::uint32_t x, std::uint32_t y, int s);
Bytes WriteTiff(const TiffSpec& spec, SampleAt sample);
inline std::uint8_t PaletteColour(std::uint32_t i, int c) { return std::uint8_t(i * (3 + 2 * c)); }
}  // namespace formats::testing

namespace formats::testing {
// A GIF through giflib: 16 colours, a frame at (left, top) of size w x h on the kW x kH screen.
struct GifKind {
  const char* name;
  int left, top, width, height, transparent;
  bool interlaced;
};
inline int IndexAt(int x, int y) { return (x * 3 + y * 5) % 16; }
Bytes WriteGif(const GifKind& kind);
}  // namespace formats::testing
