#include "formats/png/png_filter.h"

#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace formats {
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

// Byte by byte over [begin, end): the row's ends, and whole rows where there is no vector path.
void AddCosts(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t begin,
              std::uint64_t end, std::uint64_t sums[5]) {
  for (int type = 0; type < 5; ++type) {
    for (std::uint64_t i = begin; i < end; ++i) sums[type] += Cost(Filtered(type, above, row, i));
  }
}

template <int kType>
void Write(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t begin,
           std::uint64_t end, std::uint8_t* out) {
  for (std::uint64_t i = begin; i < end; ++i) out[i] = Filtered(kType, above, row, i);
}

#if defined(__SSE2__)
// Sixteen bytes at a time from byte kBpp on, where every byte has a left neighbour and (with a
// row above) an upper one; the same arithmetic as Filtered, lane by lane.
constexpr std::uint64_t kLanes = 16;

inline __m128i Load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Paeth's predictor on eight 16-bit lanes.
inline __m128i PaethHalf(__m128i a, __m128i b, __m128i c) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
  const __m128i abc = _mm_add_epi16(bc, ac);
  const __m128i pa = _mm_max_epi16(bc, _mm_sub_epi16(zero, bc));
  const __m128i pb = _mm_max_epi16(ac, _mm_sub_epi16(zero, ac));
  const __m128i pc = _mm_max_epi16(abc, _mm_sub_epi16(zero, abc));
  const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
  const __m128i useC = _mm_and_si128(notA, _mm_cmpgt_epi16(pb, pc));
  const __m128i useB = _mm_andnot_si128(useC, notA);
  return _mm_or_si128(_mm_andnot_si128(notA, a),
                      _mm_or_si128(_mm_and_si128(useB, b), _mm_and_si128(useC, c)));
}

inline __m128i PaethPredictor(__m128i a, __m128i b, __m128i c) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low =
      PaethHalf(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero));
  const __m128i high =
      PaethHalf(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero));
  return _mm_packus_epi16(low, high);
}

template <int kType>
inline __m128i FilteredLanes(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t i) {
  const __m128i x = Load(row + i);
  if constexpr (kType == 0) return x;
  const __m128i a = Load(row + i - kBpp);
  if constexpr (kType == 1) return _mm_sub_epi8(x, a);
  const __m128i b = Load(above + i);
  if constexpr (kType == 2) return _mm_sub_epi8(x, b);
  if constexpr (kType == 3) {  // pavgb rounds up; the filter's average rounds down
    const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
    return _mm_sub_epi8(x, _mm_sub_epi8(_mm_avg_epu8(a, b), odd));
  }
  return _mm_sub_epi8(x, PaethPredictor(a, b, Load(above + i - kBpp)));
}

// Adds the sixteen bytes' costs to `sum`: min(v, 256 - v) per byte, summed by psadbw.
inline __m128i AddLaneCosts(__m128i sum, __m128i v) {
  const __m128i cost = _mm_min_epu8(v, _mm_sub_epi8(_mm_setzero_si128(), v));
  return _mm_add_epi64(sum, _mm_sad_epu8(cost, _mm_setzero_si128()));
}

std::uint64_t Total(__m128i sum) {
  alignas(16) std::uint64_t halves[2];
  _mm_store_si128(reinterpret_cast<__m128i*>(halves), sum);
  return halves[0] + halves[1];
}

// The end of the vector part for a row: [kBpp, end) in whole steps of kLanes.
std::uint64_t VectorEnd(const std::uint8_t* above, std::uint64_t n) {
  if (above == nullptr || n < kBpp + kLanes) return kBpp;
  return kBpp + (n - kBpp) / kLanes * kLanes;
}

void VectorCosts(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t end,
                 std::uint64_t sums[5]) {
  __m128i s0 = _mm_setzero_si128(), s1 = s0, s2 = s0, s3 = s0, s4 = s0;
  for (std::uint64_t i = kBpp; i < end; i += kLanes) {
    s0 = AddLaneCosts(s0, FilteredLanes<0>(above, row, i));
    s1 = AddLaneCosts(s1, FilteredLanes<1>(above, row, i));
    s2 = AddLaneCosts(s2, FilteredLanes<2>(above, row, i));
    s3 = AddLaneCosts(s3, FilteredLanes<3>(above, row, i));
    s4 = AddLaneCosts(s4, FilteredLanes<4>(above, row, i));
  }
  sums[0] += Total(s0), sums[1] += Total(s1), sums[2] += Total(s2);
  sums[3] += Total(s3), sums[4] += Total(s4);
}

template <int kType>
void VectorWrite(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t end,
                 std::uint8_t* out) {
  for (std::uint64_t i = kBpp; i < end; i += kLanes)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), FilteredLanes<kType>(above, row, i));
}
#else
std::uint64_t VectorEnd(const std::uint8_t*, std::uint64_t) { return kBpp; }
void VectorCosts(const std::uint8_t*, const std::uint8_t*, std::uint64_t, std::uint64_t[5]) {}
template <int kType>
void VectorWrite(const std::uint8_t*, const std::uint8_t*, std::uint64_t, std::uint8_t*) {}
#endif

template <int kType>
void WriteRow(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t n,
              std::uint8_t* out) {
  const std::uint64_t end = n < kBpp ? n : VectorEnd(above, n);
  Write<kType>(above, row, 0, n < kBpp ? n : kBpp, out);
  if (end > kBpp) VectorWrite<kType>(above, row, end, out);
  Write<kType>(above, row, end, n, out);
}

}  // namespace

void FilterRow(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t rowBytes,
               bool adaptive, std::uint8_t* out) {
  int best = 0;
  if (adaptive) {
    std::uint64_t sums[5] = {};
    const std::uint64_t end = rowBytes < kBpp ? rowBytes : VectorEnd(above, rowBytes);
    AddCosts(above, row, 0, rowBytes < kBpp ? rowBytes : kBpp, sums);
    if (end > kBpp) VectorCosts(above, row, end, sums);
    AddCosts(above, row, end, rowBytes, sums);
    for (int type = 1; type < 5; ++type)
      if (sums[type] < sums[best]) best = type;
  }
  out[0] = static_cast<std::uint8_t>(best);
  switch (best) {
    case 1:
      return WriteRow<1>(above, row, rowBytes, out + 1);
    case 2:
      return WriteRow<2>(above, row, rowBytes, out + 1);
    case 3:
      return WriteRow<3>(above, row, rowBytes, out + 1);
    case 4:
      return WriteRow<4>(above, row, rowBytes, out + 1);
    default:
      return WriteRow<0>(above, row, rowBytes, out + 1);
  }
}

}  // namespace formats
