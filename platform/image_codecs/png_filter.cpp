#include "platform/image_codecs/png_filter.h"

#include <cstdlib>

namespace eveda::codecs {
namespace {

constexpr std::uint64_t kBpp = 3;  // bytes per pixel: 8-bit RGB

inline std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// The filtered byte at i under filter `type` (1 Sub, 2 Up, 3 Average, 4 Paeth).
inline std::uint8_t Filtered(int type, const std::uint8_t* above, const std::uint8_t* row,
                             std::uint64_t i) {
  const int x = row[i];
  const int a = i >= kBpp ? row[i - kBpp] : 0;
  const int b = above ? above[i] : 0;
  const int c = above && i >= kBpp ? above[i - kBpp] : 0;
  switch (type) {
    case 1:
      return static_cast<std::uint8_t>(x - a);
    case 2:
      return static_cast<std::uint8_t>(x - b);
    case 3:
      return static_cast<std::uint8_t>(x - ((a + b) >> 1));
    case 4:
      return static_cast<std::uint8_t>(x - Paeth(a, b, c));
    default:
      return static_cast<std::uint8_t>(x);
  }
}

// Bytes read as signed, so that small differences either way count as small.
inline std::uint64_t Cost(std::uint8_t v) { return v < 128 ? v : 256 - v; }

// One loop per filter type, so that the type is a constant inside it.
template <int kType>
std::uint64_t CostOf(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t n) {
  std::uint64_t sum = 0;
  for (std::uint64_t i = 0; i < n; ++i) sum += Cost(Filtered(kType, above, row, i));
  return sum;
}

template <int kType>
void Write(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t n, std::uint8_t* out) {
  for (std::uint64_t i = 0; i < n; ++i) out[i] = Filtered(kType, above, row, i);
}

}  // namespace

void FilterRow(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t rowBytes,
               bool adaptive, std::uint8_t* out) {
  int best = 0;
  if (adaptive) {
    const std::uint64_t sums[5] = {CostOf<0>(above, row, rowBytes), CostOf<1>(above, row, rowBytes),
                                   CostOf<2>(above, row, rowBytes), CostOf<3>(above, row, rowBytes),
                                   CostOf<4>(above, row, rowBytes)};
    for (int type = 1; type < 5; ++type)
      if (sums[type] < sums[best]) best = type;
  }
  out[0] = static_cast<std::uint8_t>(best);
  switch (best) {
    case 1:
      return Write<1>(above, row, rowBytes, out + 1);
    case 2:
      return Write<2>(above, row, rowBytes, out + 1);
    case 3:
      return Write<3>(above, row, rowBytes, out + 1);
    case 4:
      return Write<4>(above, row, rowBytes, out + 1);
    default:
      return Write<0>(above, row, rowBytes, out + 1);
  }
}

}  // namespace eveda::codecs
