#pragma once
// The exact box pre-shrink: whole blocks of factorX × factorY source pixels averaged, a row of
// blocks at a time, into samples in 1/255 of a level (so that averaging loses nothing the
// kernel after it would see). With alpha, colour is premultiplied first (colour × alpha, alpha
// × 255), so transparent pixels weigh nothing. The last block of a row or column holds what
// is left of the picture and averages only that.

#include <cstdint>
#include <vector>

namespace pictures {

// Samples in 1/255 of a level: 255 × a level, or colour × alpha with alpha × 255.
inline constexpr int kSampleOne = 255;

class BoxShrinker {
 public:
  BoxShrinker(int sourceWidth, int sourceHeight, int factorX, int factorY, int channels);

  // Adds the next source row (sourceWidth × channels bytes); true when it completed a row of
  // blocks, which Row() then holds until the next call.
  bool Add(const uint8_t* row);
  const int32_t* Row() const { return out_.data(); }
  // Passes over the next source row unread; only where each source row is a row of blocks of
  // its own (a factor of 1 down), so that no block loses part of its sum.
  void SkipRow() { ++rowsAdded_; }
  int FactorY() const { return factorY_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  void AddColumns(const uint8_t* row);
  void Emit();

  int sourceWidth_, sourceHeight_, factorX_, factorY_, channels_;
  int width_, height_;
  int rowsAdded_ = 0;
  int rowsInBand_ = 0;
  // Each source column's sum over the band so far: 32 bits hold the box factor's at most
  // 65536 rows of samples up to 65025 (see BoxFactor).
  std::vector<uint32_t> columns_;
  std::vector<int32_t> out_;
};

}  // namespace pictures
