#include "platform/gdi/pixel_rows.h"

#include <bit>
#include <cstring>

namespace gdi::detail {
namespace {

// Pixels of 1 or 4 bits, packed from the high bits of each byte down.
class SubBytePixels {
 public:
  explicit SubBytePixels(int bits) : bits_(bits), perByte_(8 / bits), mask_((1u << bits) - 1) {}

  unsigned Get(const std::uint8_t* row, std::int64_t pixel) const {
    return (row[pixel / perByte_] >> Shift(pixel)) & mask_;
  }
  void Set(std::uint8_t* row, std::int64_t pixel, unsigned value) const {
    std::uint8_t& byte = row[pixel / perByte_];
    const int shift = Shift(pixel);
    byte = static_cast<std::uint8_t>((byte & ~(mask_ << shift)) | ((value & mask_) << shift));
  }

 private:
  int Shift(std::int64_t pixel) const {
    return 8 - bits_ * (1 + static_cast<int>(pixel % perByte_));
  }
  int bits_;
  int perByte_;
  unsigned mask_;
};

static_assert(std::endian::native == std::endian::little, "pixels are read as little-endian words");

void PutColour(const RGBQUAD& colour, std::uint8_t* bgr) {
  bgr[0] = colour.rgbBlue;
  bgr[1] = colour.rgbGreen;
  bgr[2] = colour.rgbRed;
}

void DecodeSubByte(const Bitmap& bitmap, const std::uint8_t* row, std::int32_t x,
                   std::int32_t count, std::uint8_t* bgr) {
  const SubBytePixels pixels(bitmap.bitCount);
  for (std::int32_t i = 0; i < count; ++i, bgr += 3) {
    const std::int64_t pixel = std::int64_t{x} + i;
    PutColour(bitmap.colours[pixels.Get(row, pixel)], bgr);
  }
}

// Four bytes per palette entry are copied and the pointer moves on by three; the last pixel
// is copied on its own so nothing is written past the span.
void DecodeIndexed8(const Bitmap& bitmap, const std::uint8_t* row, std::int32_t count,
                    std::uint8_t* bgr) {
  const RGBQUAD* colours = bitmap.colours.data();
  for (std::int32_t i = 0; i + 1 < count; ++i, bgr += 3) std::memcpy(bgr, &colours[row[i]], 4);
  if (count > 0) PutColour(colours[row[count - 1]], bgr);
}

template <class Word>
void DecodeMasked(const ChannelMasks& masks, const std::uint8_t* in, std::int32_t count,
                  std::uint8_t* bgr) {
  for (std::int32_t i = 0; i < count; ++i, in += sizeof(Word), bgr += 3) {
    Word pixel;
    std::memcpy(&pixel, in, sizeof pixel);
    bgr[0] = masks.blue.Read(pixel);
    bgr[1] = masks.green.Read(pixel);
    bgr[2] = masks.red.Read(pixel);
  }
}

void DecodeBgrx(const std::uint8_t* in, std::int32_t count, std::uint8_t* bgr) {
  for (std::int32_t i = 0; i < count; ++i, in += 4, bgr += 3) std::memcpy(bgr, in, 3);
}

// Finds palette entries for colours; remembers the last answer, since rows of one colour
// (fills, flat areas) are the common case.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const Bitmap& bitmap) : bitmap_(bitmap) {}

  std::uint8_t IndexOf(const std::uint8_t* bgr) {
    const std::uint32_t key = bgr[0] | (bgr[1] << 8) | (bgr[2] << 16);
    if (key != lastKey_) {
      lastKey_ = key;
      lastIndex_ = Search(bgr);
    }
    return lastIndex_;
  }

 private:
  std::uint8_t Search(const std::uint8_t* bgr) const {
    const std::uint32_t count = bitmap_.colourCount == 0 ? 1 : bitmap_.colourCount;
    std::uint32_t best = 0;
    int bestDistance = 1 << 30;
    for (std::uint32_t i = 0; i < count; ++i) {
      const RGBQUAD& c = bitmap_.colours[i];
      const int db = c.rgbBlue - bgr[0], dg = c.rgbGreen - bgr[1], dr = c.rgbRed - bgr[2];
      const int distance = db * db + dg * dg + dr * dr;
      if (distance == 0) return static_cast<std::uint8_t>(i);
      if (distance < bestDistance) {
        bestDistance = distance;
        best = i;
      }
    }
    return static_cast<std::uint8_t>(best);
  }

  const Bitmap& bitmap_;
  std::uint32_t lastKey_ = 0xFFFFFFFF;  // no 24-bit colour has this key
  std::uint8_t lastIndex_ = 0;
};

void EncodePaletted(const Bitmap& bitmap, const std::uint8_t* bgr, std::int32_t count,
                    std::uint8_t* row, std::int32_t x) {
  PaletteMatcher matcher(bitmap);
  if (bitmap.bitCount == 8) {
    for (std::int32_t i = 0; i < count; ++i, bgr += 3) row[x + i] = matcher.IndexOf(bgr);
    return;
  }
  const SubBytePixels pixels(bitmap.bitCount);
  for (std::int32_t i = 0; i < count; ++i, bgr += 3) {
    pixels.Set(row, std::int64_t{x} + i, matcher.IndexOf(bgr));
  }
}

template <class Word>
void EncodeMasked(const ChannelMasks& masks, const std::uint8_t* bgr, std::int32_t count,
                  std::uint8_t* out) {
  for (std::int32_t i = 0; i < count; ++i, bgr += 3, out += sizeof(Word)) {
    const Word pixel = static_cast<Word>(masks.blue.Write(bgr[0]) | masks.green.Write(bgr[1]) |
                                         masks.red.Write(bgr[2]));
    std::memcpy(out, &pixel, sizeof pixel);
  }
}

void EncodeBgrx(const std::uint8_t* bgr, std::int32_t count, std::uint8_t* out) {
  for (std::int32_t i = 0; i < count; ++i, bgr += 3, out += 4) {
    std::memcpy(out, bgr, 3);
    out[3] = 0;
  }
}

}  // namespace

void DecodeRow(const Bitmap& bitmap, const std::uint8_t* row, std::int32_t x, std::int32_t count,
               std::uint8_t* bgr) {
  switch (bitmap.bitCount) {
    case 1:
    case 4:
      return DecodeSubByte(bitmap, row, x, count, bgr);
    case 8:
      return DecodeIndexed8(bitmap, row + x, count, bgr);
    case 16:
      return DecodeMasked<std::uint16_t>(bitmap.masks, row + std::int64_t{x} * 2, count, bgr);
    case 24:
      std::memcpy(bgr, row + std::int64_t{x} * 3, std::size_t(count) * 3);
      return;
    case 32:
      if (bitmap.defaultMasks) return DecodeBgrx(row + std::int64_t{x} * 4, count, bgr);
      return DecodeMasked<std::uint32_t>(bitmap.masks, row + std::int64_t{x} * 4, count, bgr);
  }
}

void EncodeRow(const Bitmap& bitmap, const std::uint8_t* bgr, std::int32_t count, std::uint8_t* row,
               std::int32_t x) {
  switch (bitmap.bitCount) {
    case 1:
    case 4:
    case 8:
      return EncodePaletted(bitmap, bgr, count, row, x);
    case 16:
      return EncodeMasked<std::uint16_t>(bitmap.masks, bgr, count, row + std::int64_t{x} * 2);
    case 24:
      std::memcpy(row + std::int64_t{x} * 3, bgr, std::size_t(count) * 3);
      return;
    case 32:
      if (bitmap.defaultMasks) return EncodeBgrx(bgr, count, row + std::int64_t{x} * 4);
      return EncodeMasked<std::uint32_t>(bitmap.masks, bgr, count, row + std::int64_t{x} * 4);
  }
}

}  // namespace gdi::detail
