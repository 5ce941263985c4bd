#include "pictures/colour_transform.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace pictures {
namespace {

// Ghostscript's profiles (libgs-common): Adobe RGB (1998), a grey and a CMYK press.
std::vector<uint8_t> Profile(const char* name) {
  std::ifstream file(std::string("/usr/share/color/icc/ghostscript/") + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

TEST(ColourTransform, ConvertsToSrgbAsLittleCmsDoesIntoBgrCarryingAlpha) {
  // Red, green, a sky blue outside sRGB, white; black, white, cyan, a CMYK brown, black ink.
  // clang-format off
  const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 30, 140, 220, 255, 255, 255};
  const std::vector<uint8_t> bgr = {0, 0, 255, 0, 255, 0, 220, 140, 30, 255, 255, 255};
  const std::vector<uint8_t> shown = {0, 0, 255, 0, 255, 0, 224, 141, 0, 255, 255, 255};
  const std::vector<uint8_t> cmyk = {0, 0, 0, 0, 255, 0, 0, 0, 20, 200, 90, 10, 0, 0, 0, 255};
  const std::vector<uint8_t> cmykShown = {255, 255, 255, 240, 176, 0, 122, 97, 216, 53, 53, 55};
  std::vector<uint8_t> inverted;
  for (uint8_t v : cmyk) inverted.push_back(255 - v);
  const struct { const char* profile; ColourInput input; std::vector<uint8_t> pixels, want; } cases[] = {
      {"a98.icc", ColourInput::kRgb, rgb, shown},
      {"a98.icc", ColourInput::kBgr, bgr, shown},
      {"a98.icc", ColourInput::kBgra, {0, 0, 255, 17, 0, 255, 0, 77, 220, 140, 30, 137, 255, 255, 255, 197},
                                      {0, 0, 255, 17, 0, 255, 0, 77, 224, 141, 0, 137, 255, 255, 255, 197}},
      {"default_gray.icc", ColourInput::kGrey, {0, 64, 128, 255}, {0, 0, 0, 64, 64, 64, 128, 128, 128, 255, 255, 255}},
      {"default_cmyk.icc", ColourInput::kCmyk, cmyk, cmykShown},
      {"default_cmyk.icc", ColourInput::kCmykInverted, inverted, cmykShown},
  };
  // clang-format on
  for (const auto& c : cases) {
    auto transform = ColourTransform::FromIcc(Profile(c.profile), c.input);
    ASSERT_TRUE(transform) << transform.error();
    const int n = int(c.pixels.size()) / transform->InputChannels();
    std::vector<uint8_t> got(size_t(n) * transform->OutputChannels());
    transform->ConvertRow(c.pixels.data(), got.data(), n);
    EXPECT_EQ(got, c.want) << c.profile << " input " << int(c.input);
  }
}

TEST(ColourTransform, RefusesProfilesItCannotUseWithTheReason) {
  auto truncated = Profile("a98.icc");
  truncated.resize(200);
  const std::tuple<std::vector<uint8_t>, ColourInput, const char*> cases[] = {
      {truncated, ColourInput::kRgb,
       "the colour profile cannot be read: Read from memory error. Got 0 bytes, block should be "
       "of 4 bytes"},
      {Profile("a98.icc"), ColourInput::kGrey,
       "the colour profile is for RGB pixels, the picture's are grey"},
      {Profile("default_gray.icc"), ColourInput::kCmyk,
       "the colour profile is for grey pixels, the picture's are CMYK"},
  };
  for (const auto& [profile, input, reason] : cases) {
    EXPECT_EQ(ColourTransform::FromIcc(profile, input).error(), reason);
  }
}

}  // namespace
}  // namespace pictures
