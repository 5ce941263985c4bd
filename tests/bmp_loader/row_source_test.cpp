// The row source: bands of rows from a file through its one descriptor, the same rows the plain
// decoder writes; files changed under it after the check; the fuzzer's kept inputs replayed.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/bmp_loader/row_source.h"
#include "tests/support/bmp_catalogue.h"
#include "tests/support/plain_decoder.h"
#include "tests/support/temp_dir.h"

namespace eveda::testing {
namespace {

std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

const CatalogueImage& Find(const std::vector<CatalogueImage>& catalogue, const std::string& name) {
  return *std::find_if(catalogue.begin(), catalogue.end(),
                       [&](const CatalogueImage& c) { return c.name == name; });
}

// Image row y (from the top) of what the plain decoder wrote, pixels only.
std::vector<std::uint8_t> PlainRow(const DecodedImage& image, std::int32_t y, std::size_t bytes) {
  const std::uint8_t* row =
      image.pixels.data() + std::size_t(image.layout.height - 1 - y) * image.layout.stride;
  return {row, row + bytes};
}

std::vector<std::uint8_t> RowOf(const gdi::DibRows& rows, std::int32_t y, std::size_t bytes) {
  const auto& header = rows.info->bmiHeader;
  const std::size_t stride = bmp_format::RowStride(header.biWidth, header.biBitCount);
  const std::int32_t memoryRow =
      header.biHeight < 0 ? y - rows.firstRow : rows.firstRow + rows.rowCount - 1 - y;
  const auto* row = static_cast<const std::uint8_t*>(rows.bits) + std::size_t(memoryRow) * stride;
  return {row, row + bytes};
}

class LargeSources : public ::testing::TestWithParam<const char*> {};

TEST_P(LargeSources, GiveEveryBandOfRowsAsThePlainDecoderWritesThem) {
  const auto catalogue = BmpCatalogue();
  const CatalogueImage& image = Find(catalogue, GetParam());
  ASSERT_GT(image.file.size(), bmp_loader::kReadWholeBytes);
  TempDir dir;
  dir.WriteFile("large.bmp", AsText(image.file));
  const auto plain = DecodeWhole(image.file);
  ASSERT_TRUE(plain);
  const std::size_t bytes = (std::size_t(image.width) * plain->layout.bitCount + 7) / 8;
  bmp_loader::RowBuffers own;
  bmp_loader::ScratchBuffer scratch;
  auto source = bmp_loader::RowSource::Open(dir.PathOf("large.bmp").c_str(), own, scratch);
  ASSERT_TRUE(source);
  for (const std::int32_t band : {1, 7, 64, image.height}) {
    for (std::int32_t first = 0; first < image.height; first += band) {
      const auto rows = source->Rows(first, band, scratch);
      ASSERT_TRUE(rows);
      const std::int32_t last = std::min(first + band, image.height);
      ASSERT_LE(rows->firstRow, first);
      ASSERT_GE(rows->firstRow + rows->rowCount, last);
      for (std::int32_t y = first; y < last; ++y)
        ASSERT_EQ(RowOf(*rows, y, bytes), PlainRow(*plain, y, bytes)) << "row " << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, LargeSources,
                         ::testing::Values("info40_8bpp_large_top_down", "info40_4bpp_large",
                                           "info40_24bpp_large", "info40_rle8_large"));

// A file renamed over the source's name after it was opened cannot mix two pictures: every
// row still comes from the file that was checked.
TEST(RowSource, ReadsTheFileItOpenedWhateverTheNameNowHolds) {
  const auto catalogue = BmpCatalogue();
  const CatalogueImage& image = Find(catalogue, "info40_24bpp_large");
  TempDir dir;
  dir.WriteFile("a.bmp", AsText(image.file));
  std::vector<std::uint8_t> other = image.file;
  std::fill(other.begin() + 54, other.end(), 0x5A);
  dir.WriteFile("b.bmp", AsText(other));
  bmp_loader::RowBuffers own;
  bmp_loader::ScratchBuffer scratch;
  auto source = bmp_loader::RowSource::Open(dir.PathOf("a.bmp").c_str(), own, scratch);
  ASSERT_TRUE(source);
  std::filesystem::rename(dir.PathOf("b.bmp"), dir.PathOf("a.bmp"));
  const auto plain = DecodeWhole(image.file);
  const auto rows = source->Rows(100, 40, scratch);
  ASSERT_TRUE(rows);
  for (std::int32_t y = 100; y < 140; ++y)
    EXPECT_EQ(RowOf(*rows, y, 480), PlainRow(*plain, y, 480)) << "row " << y;
}

// Rows the file no longer holds are refused with the reason, never read past its end.
TEST(RowSource, AFileCutShortAfterItsCheckGivesTruncatedPixels) {
  const auto catalogue = BmpCatalogue();
  TempDir dir;
  dir.WriteFile("a.bmp", AsText(Find(catalogue, "info40_24bpp_large").file));
  bmp_loader::RowBuffers own;
  bmp_loader::ScratchBuffer scratch;
  auto source = bmp_loader::RowSource::Open(dir.PathOf("a.bmp").c_str(), own, scratch);
  ASSERT_TRUE(source);
  ASSERT_EQ(::truncate(dir.PathOf("a.bmp").c_str(), 54 + 480 * 10), 0);
  EXPECT_TRUE(source->Rows(130, 10, scratch));  // the bottom rows are still there
  const auto rows = source->Rows(0, 10, scratch);
  ASSERT_FALSE(rows);
  EXPECT_EQ(rows.error(), bmp_loader::DecodeError::TruncatedPixels);
}

// Inputs the fuzzer found or that cover its hardest corners, kept by name: each is refused
// or read whole, a few rows at a time and at once, without a read past its bytes.
TEST(RowSource, ReplaysTheFuzzersKeptInputs) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(EVEDA_FUZZ_REGRESSIONS)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::FILE* file = std::fopen(entry.path().c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<std::uint8_t> bytes(std::filesystem::file_size(entry.path()));
    ASSERT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    for (const bool fromFile : {false, true}) {
      bmp_loader::RowBuffers own;
      bmp_loader::ScratchBuffer scratch;
      auto source = fromFile ? bmp_loader::RowSource::Open(entry.path().c_str(), own, scratch)
                             : bmp_loader::RowSource::FromMemory(bytes, own, scratch);
      if (!source) continue;
      for (std::int32_t row = 0; row < source->Height(); row += 7)
        (void)source->Rows(row, 7, scratch);
      EXPECT_TRUE(source->Rows(0, source->Height(), scratch));
    }
    ++replayed;
  }
  EXPECT_GE(replayed, 5);
}

}  // namespace
}  // namespace eveda::testing
