// Every catalogued variant decodes to exactly the colours it was written with.

#include <gtest/gtest.h>

#include "platform/bmp_loader/bmp_decoder.h"
#include "tests/bmp_loader/decoded_pixels.h"
#include "tests/support/bmp_catalogue.h"

namespace eveda::testing {

namespace {

class DecoderVariants : public ::testing::TestWithParam<CatalogueImage> {};

TEST_P(DecoderVariants, DecodesEveryPixel) {
  const CatalogueImage& image = GetParam();
  const auto decoded = DecodeThroughRows(image.file);
  ASSERT_TRUE(decoded) << bmp_loader::Describe(decoded.error());
  EXPECT_EQ(decoded->layout.width, image.width);
  EXPECT_EQ(decoded->layout.height, image.height);
  EXPECT_EQ(DecodedRgb(*decoded), image.expectedRgb);
  // The plain decoder the drawing tests compare with agrees.
  const auto plain = DecodeWhole(image.file);
  ASSERT_TRUE(plain);
  EXPECT_EQ(DecodedRgb(*plain), image.expectedRgb);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, DecoderVariants, ::testing::ValuesIn(BmpCatalogue()),
                         [](const auto& info) { return info.param.name; });

struct DepthCase {
  unsigned outputBits;
  std::uint32_t compression;
};

TEST(DecoderLayout, KeepsTheSourceDepthExceptTwoBits) {
  const std::vector<std::pair<std::string, DepthCase>> expected = {
      {"info40_1bpp", {1, bmp_loader::BI_RGB}},
      {"info40_2bpp", {4, bmp_loader::BI_RGB}},
      {"info40_4bpp", {4, bmp_loader::BI_RGB}},
      {"info40_8bpp", {8, bmp_loader::BI_RGB}},
      {"info40_16bpp_555", {16, bmp_loader::BI_RGB}},
      {"info40_16bpp_565", {16, bmp_loader::BI_BITFIELDS}},
      {"info40_24bpp", {24, bmp_loader::BI_RGB}},
      {"info40_32bpp", {32, bmp_loader::BI_RGB}},
      {"v5_32bpp_alpha_bitfields", {32, bmp_loader::BI_BITFIELDS}},
      {"info40_rle8", {8, bmp_loader::BI_RGB}},
      {"info40_rle4", {4, bmp_loader::BI_RGB}},
  };
  const auto catalogue = BmpCatalogue();
  for (const auto& [name, depth] : expected) {
    const auto it = std::find_if(catalogue.begin(), catalogue.end(),
                                 [&](const CatalogueImage& c) { return c.name == name; });
    ASSERT_NE(it, catalogue.end()) << name;
    const auto plan = bmp_loader::PlanDecode(it->file);
    ASSERT_TRUE(plan) << name;
    EXPECT_EQ(plan->layout.bitCount, depth.outputBits) << name;
    EXPECT_EQ(plan->layout.compression, depth.compression) << name;
    EXPECT_EQ(plan->layout.paletteSize, depth.outputBits <= 8 ? 1u << depth.outputBits : 0u)
        << name;
  }
}

}  // namespace
}  // namespace eveda::testing
