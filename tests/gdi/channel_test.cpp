#include <gtest/gtest.h>

#include "platform/gdi/channel.h"

namespace {

using gdi::detail::WidenChannel;

struct WidenCase {
  std::uint32_t value;
  int bits;
  std::uint8_t widened;
};

TEST(Channel, WidensByRepeatingTheBitPattern) {
  const WidenCase cases[] = {
      {0, 1, 0},        {1, 1, 255},       {1, 2, 0x55},      {2, 2, 0xAA},        {5, 3, 0xB6},
      {0xA, 4, 0xAA},   {16, 5, 132},      {31, 5, 255},      {1, 5, 8},           {30, 5, 247},
      {32, 6, 130},     {1, 6, 4},         {63, 6, 255},      {0x55, 7, 0xAB},     {0x80, 8, 0x80},
      {0x3FF, 10, 255}, {0x200, 10, 0x80}, {0x1FF, 10, 0x7F}, {0x12345, 17, 0x91},
  };
  for (const WidenCase& c : cases)
    EXPECT_EQ(WidenChannel(c.value, c.bits), c.widened) << c.value << " of " << c.bits;
}

TEST(Channel, MaskRules) {
  using gdi::detail::MakeChannelMasks;
  EXPECT_TRUE(MakeChannelMasks(0x7C00, 0x03E0, 0x001F, 16));
  EXPECT_TRUE(MakeChannelMasks(0xF800, 0x07E0, 0x001F, 16));
  EXPECT_TRUE(MakeChannelMasks(0xFFC00000, 0x003FF800, 0x000007FF, 32));
  EXPECT_FALSE(MakeChannelMasks(0, 0x07E0, 0x001F, 16));
  EXPECT_FALSE(MakeChannelMasks(0xF800, 0x0FE0, 0x001F, 16));
  EXPECT_FALSE(MakeChannelMasks(0xF000, 0x0500, 0x001F, 16));
  EXPECT_FALSE(MakeChannelMasks(0x1F0000, 0x07E0, 0x001F, 16));
}

TEST(Channel, NarrowingTruncates) {
  const auto masks = gdi::detail::MakeChannelMasks(0xF800, 0x07E0, 0x001F, 16);
  ASSERT_TRUE(masks);
  EXPECT_EQ(masks->red.Write(0xFF), 0xF800u);
  EXPECT_EQ(masks->red.Write(0x07), 0u);
  EXPECT_EQ(masks->green.Write(0x83), 0x0400u);
  EXPECT_EQ(masks->blue.Read(0x001F), 255);
}

}  // namespace
