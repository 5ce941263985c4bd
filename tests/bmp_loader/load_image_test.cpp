// LoadImageA end to end: files on disk become DIB sections whose pixels, copied with BitBlt
// onto a 24-bit bitmap, are exactly the colours the files were written with.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/bmp_format/bmp_format.h"
#include "platform/bmp_loader/load_image.h"
#include "platform/gdi/gdi.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/bmp_catalogue.h"
#include "tests/support/temp_dir.h"

namespace eveda::testing {

namespace {

constexpr gdi::UINT kFlags = gdi::LR_LOADFROMFILE | gdi::LR_CREATEDIBSECTION;

// Copies the whole bitmap onto a new 24-bit DIB section and reads it back, top row first.
std::vector<std::uint32_t> BlitToRgb(gdi::HBITMAP source, int width, int height) {
  gdi::BITMAPINFO info{};
  info.bmiHeader = {
      .biSize = 40, .biWidth = width, .biHeight = height, .biPlanes = 1, .biBitCount = 24};
  void* bits = nullptr;
  const gdi::HDC target = gdi::CreateCompatibleDC({});
  const gdi::HDC from = gdi::CreateCompatibleDC({});
  const gdi::HBITMAP canvas =
      gdi::CreateDIBSection(target, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
  const gdi::HGDIOBJ oldCanvas = gdi::SelectObject(target, canvas);
  const gdi::HGDIOBJ oldSource = gdi::SelectObject(from, source);
  EXPECT_NE(gdi::BitBlt(target, 0, 0, width, height, from, 0, 0, gdi::SRCCOPY), 0);

  std::vector<std::uint32_t> out;
  const std::size_t stride = static_cast<std::size_t>(bmp_format::RowStride(width, 24));
  const auto* rows = static_cast<const std::uint8_t*>(bits);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rows + stride * static_cast<std::size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      out.push_back((std::uint32_t{row[3 * x + 2]} << 16) | (row[3 * x + 1] << 8) | row[3 * x]);
    }
  }
  gdi::SelectObject(from, oldSource);
  gdi::SelectObject(target, oldCanvas);
  gdi::DeleteObject(canvas);
  gdi::DeleteDC(from);
  gdi::DeleteDC(target);
  return out;
}

class LoadImageVariants : public ::testing::TestWithParam<CatalogueImage> {};

TEST_P(LoadImageVariants, BlitsEveryPixelExactly) {
  const TempDir dir;
  const CatalogueImage& image = GetParam();
  const std::string path = dir.WriteFile(image.name + ".bmp", image.file);
  const gdi::HGDIOBJ bitmap =
      gdi::LoadImageA(nullptr, path.c_str(), gdi::IMAGE_BITMAP, 0, 0, kFlags);
  ASSERT_TRUE(bitmap);
  gdi::BITMAP record;
  ASSERT_NE(gdi::GetObjectA(bitmap, sizeof(gdi::BITMAP), &record), 0);
  EXPECT_EQ(record.bmWidth, image.width);
  EXPECT_EQ(record.bmHeight, image.height);
  EXPECT_EQ(BlitToRgb(bitmap, image.width, image.height), image.expectedRgb);
  EXPECT_NE(gdi::DeleteObject(bitmap), 0);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, LoadImageVariants, ::testing::ValuesIn(BmpCatalogue()),
                         [](const auto& info) { return info.param.name; });

TEST(LoadImage, GivesNoHandleForFilesThatDoNotLoad) {
  const TempDir dir;
  const std::vector<std::uint8_t> whole = BmpCatalogue()[0].file;
  const std::vector<std::string> paths = {
      dir.PathOf("missing.bmp"),
      dir.PathOf(""),  // the directory itself
      dir.WriteFile("empty.bmp", ""),
      dir.WriteFile("text.bmp", "hello"),
      dir.WriteFile("cut.bmp", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 40)),
  };
  for (const std::string& path : paths) {
    EXPECT_FALSE(gdi::LoadImageA(nullptr, path.c_str(), gdi::IMAGE_BITMAP, 0, 0, kFlags)) << path;
  }
}

TEST(LoadImage, AcceptsOnlyABitmapFileAtItsOwnSize) {
  const TempDir dir;
  const std::string path = dir.WriteFile("ok.bmp", BmpCatalogue()[0].file);
  EXPECT_FALSE(gdi::LoadImageA(nullptr, nullptr, gdi::IMAGE_BITMAP, 0, 0, kFlags));
  EXPECT_FALSE(gdi::LoadImageA(nullptr, path.c_str(), 1 /* IMAGE_ICON */, 0, 0, kFlags));
  EXPECT_FALSE(
      gdi::LoadImageA(nullptr, path.c_str(), gdi::IMAGE_BITMAP, 0, 0, gdi::LR_CREATEDIBSECTION));
  EXPECT_FALSE(gdi::LoadImageA(nullptr, path.c_str(), gdi::IMAGE_BITMAP, 32, 0, kFlags));
  const gdi::HGDIOBJ plain =
      gdi::LoadImageA(nullptr, path.c_str(), gdi::IMAGE_BITMAP, 0, 0, gdi::LR_LOADFROMFILE);
  EXPECT_TRUE(plain);
  gdi::DeleteObject(plain);
}

// Each refusal through LoadImageA, read back the way the drawing pass reads it. The FIFO
// has no writer: opening it for reading would block forever unless the loader refuses it
// without waiting.
TEST(LoadImage, ReportsWhyAFileDidNotLoad) {
  const TempDir dir;
  std::filesystem::create_directories(dir.PathOf("folder.bmp"));
  ASSERT_EQ(::mkfifo(dir.PathOf("fifo.bmp").c_str(), 0600), 0);
  const struct {
    std::string path;
    bmp_loader::DecodeError reason;
  } cases[] = {
      {dir.PathOf("missing.bmp"), bmp_loader::DecodeError::NotFound},
      {dir.PathOf("missing/inside.bmp"), bmp_loader::DecodeError::NotFound},
      {dir.PathOf("folder.bmp"), bmp_loader::DecodeError::NotRegularFile},
      {dir.PathOf("fifo.bmp"), bmp_loader::DecodeError::NotRegularFile},
      {dir.WriteFile("text.bmp", "hi"), bmp_loader::DecodeError::NotBmp},
      {dir.WriteFile("header.bmp", std::string_view("BM\0\0", 4)),
       bmp_loader::DecodeError::TruncatedHeader},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_FALSE(gdi::LoadImageA(nullptr, c.path.c_str(), gdi::IMAGE_BITMAP, 0, 0, kFlags));
    EXPECT_EQ(bmp_loader::LastLoadError(), c.reason);
  }
}

}  // namespace
}  // namespace eveda::testing
