#pragma once
// One colour channel of a 16- or 32-bit pixel, described by its bit mask.
//
// Widening a channel to 8 bits repeats its bit pattern downwards (bit replication), so that
// the largest field value becomes 255 and 0 stays 0: a 5-bit 31 gives 255, a 5-bit 16 gives
// 132 (10000 100), a 1-bit field gives 0 or 255, a 6-bit 32 gives 130. A field wider than
// 8 bits keeps its top 8 bits. Narrowing an 8-bit value into a field truncates its low bits.
// Every path that reads or writes masked pixels (copies, scaling, the BMP loader) uses these
// rules, so a file decoded through the masks gives the same bytes wherever it is drawn.

#include <array>
#include <cstdint>
#include <optional>

namespace gdi::detail {

struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;                            // position of the lowest mask bit
  int bits = 0;                             // width of the field
  std::array<std::uint8_t, 256> widened{};  // field value -> 8 bits, for fields of <= 8 bits

  std::uint8_t Read(std::uint32_t pixel) const {
    const std::uint32_t value = (pixel & mask) >> shift;
    return bits <= 8 ? widened[value] : static_cast<std::uint8_t>(value >> (bits - 8));
  }
  std::uint32_t Write(std::uint8_t value) const {
    const std::uint32_t field =
        bits <= 8 ? (std::uint32_t{value} >> (8 - bits)) : (std::uint32_t{value} << (bits - 8));
    return (field << shift) & mask;
  }
};

// Widens an n-bit field value (1 <= n <= 8) to 8 bits by bit replication; wider fields keep
// their top 8 bits.
std::uint8_t WidenChannel(std::uint32_t value, int bits);

// A channel for a mask that is non-zero and one contiguous run of bits; nullopt otherwise.
std::optional<Channel> MakeChannel(std::uint32_t mask);

struct ChannelMasks {
  Channel red, green, blue;
};

// Masks of a 16- or 32-bit format: each non-zero and contiguous, no two overlapping, all
// within the pixel's bits. nullopt when they break any of these.
std::optional<ChannelMasks> MakeChannelMasks(std::uint32_t red, std::uint32_t green,
                                             std::uint32_t blue, int bitCount);

// 5-5-5 for 16 bits; for 32 bits blue, green and red bytes in that order, then an unused one.
ChannelMasks DefaultChannelMasks(int bitCount);

}  // namespace gdi::detail
