#include "platform/gdi/channel.h"

#include <bit>

namespace gdi::detail {

std::uint8_t WidenChannel(std::uint32_t value, int bits) {
  if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
  std::uint32_t widened = 0;
  for (int shift = 8 - bits; shift > -bits; shift -= bits)
    widened |= shift >= 0 ? value << shift : value >> -shift;
  return static_cast<std::uint8_t>(widened);
}

std::optional<Channel> MakeChannel(std::uint32_t mask) {
  if (mask == 0) return std::nullopt;
  Channel channel;
  channel.mask = mask;
  channel.shift = std::countr_zero(mask);
  channel.bits = std::popcount(mask);
  if (channel.bits != 32 - channel.shift - std::countl_zero(mask)) return std::nullopt;
  if (channel.bits <= 8) {
    for (std::uint32_t value = 0; value < (1u << channel.bits); ++value)
      channel.widened[value] = WidenChannel(value, channel.bits);
  }
  return channel;
}

std::optional<ChannelMasks> MakeChannelMasks(std::uint32_t red, std::uint32_t green,
                                             std::uint32_t blue, int bitCount) {
  if ((red & green) || (red & blue) || (green & blue)) return std::nullopt;
  if (bitCount < 32 && ((red | green | blue) >> bitCount) != 0) return std::nullopt;
  auto r = MakeChannel(red);
  auto g = MakeChannel(green);
  auto b = MakeChannel(blue);
  if (!r || !g || !b) return std::nullopt;
  return ChannelMasks{*r, *g, *b};
}

ChannelMasks DefaultChannelMasks(int bitCount) {
  if (bitCount == 16) return *MakeChannelMasks(0x7C00, 0x03E0, 0x001F, 16);
  return *MakeChannelMasks(0x00FF0000, 0x0000FF00, 0x000000FF, 32);
}

}  // namespace gdi::detail
