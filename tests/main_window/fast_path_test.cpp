// The join's fast paths (rows drawn where they were read, pooled memory, the file written while
// it is drawn, no background fill on a black canvas) against the straightforward join: every
// source decoded into a section of its own, copied with the same plan onto a canvas filled
// with the background, and the canvas written whole at the end. Every BMP variant, order, fit
// mode and a black and a coloured background give the same file, byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/bmp_loader/load_image.h"
#include "tests/support/bmp_catalogue.h"
#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

struct JoinCase {
  int order;
  int fit;
  Rgb background;
};

main_window::TileSettings SettingsOf(const main_window::JobState& job) {
  main_window::TileSettings settings;
  settings.BlockWidth = job.BlockWidth.value_or(0);
  settings.BlockHeight = job.BlockHeight;
  settings.Spacing = job.Spacing;
  settings.WrapCount = job.WrapCount;
  settings.ArrangeOrder = job.ArrangeOrder;
  settings.FitMode = job.FitMode;
  settings.BackColor = job.BackColor;
  return settings;
}

// One source the plain way: its whole file decoded into memory, then a section of its own.
gdi::HBITMAP DecodedSection(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  const auto image = bmp::Decode(bytes);
  if (!image) return {};
  const gdi::BITMAPINFO info = bmp::BitmapInfoFor(image->layout);
  void* bits = nullptr;
  const gdi::HBITMAP section =
      gdi::CreateDIBSection(gdi::HDC{}, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
  std::copy(image->pixels.begin(), image->pixels.end(), static_cast<std::uint8_t*>(bits));
  return section;
}

std::vector<std::uint8_t> StraightforwardJoin(const main_window::TileSettings& settings,
                                              const GTFile::NameList& files, int width,
                                              int height) {
  auto canvas = DSMod::CreateCanvas(gdi::HDC{}, 24, width, height, {});
  EXPECT_TRUE(canvas);
  const gdi::HBRUSH brush = gdi::CreateSolidBrush(settings.BackColor);
  const gdi::HGDIOBJ previousBrush = gdi::SelectObject(canvas->hDC, brush);
  gdi::Rectangle(canvas->hDC, -1, -1, width + 2, height + 2);
  gdi::SelectObject(canvas->hDC, previousBrush);
  gdi::DeleteObject(brush);
  const gdi::HDC sourceDC = gdi::CreateCompatibleDC(gdi::HDC{});
  for (std::size_t i = 1; i < files.size(); ++i) {
    const gdi::HBITMAP source = DecodedSection(files[i]);
    gdi::BITMAP info;
    if (gdi::GetObjectA(source, sizeof info, &info) == 0) continue;
    const gdi::HGDIOBJ previous = gdi::SelectObject(sourceDC, source);
    const auto copy = main_window::PlanTileCopy(
        settings, main_window::CellOriginOf(settings, width, static_cast<std::int32_t>(i)),
        info.bmWidth, info.bmHeight);
    if (copy.stretch) {
      gdi::StretchBlt(canvas->hDC, copy.x, copy.y, copy.cx, copy.cy, sourceDC, 0, 0, info.bmWidth,
                      info.bmHeight, gdi::SRCCOPY);
    } else {
      gdi::BitBlt(canvas->hDC, copy.x, copy.y, copy.cx, copy.cy, sourceDC, copy.sx, copy.sy,
                  gdi::SRCCOPY);
    }
    gdi::SelectObject(sourceDC, previous);
    gdi::DeleteObject(source);
  }
  gdi::DeleteDC(sourceDC);
  EXPECT_TRUE(DSMod::CopyCanvasBits(*canvas));
  const std::vector<std::uint8_t> pixels = canvas->Bits;
  DSMod::ReleaseCanvas(*canvas);
  std::vector<std::uint8_t> file = ExpectedHeader(width, height);
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

TEST(FastPaths, WriteWhatTheStraightforwardJoinWrites) {
  TempDir dir;
  const std::vector<CatalogueImage> catalogue = BmpCatalogue();
  for (std::size_t k = 0; k < catalogue.size(); ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "v%02zu.bmp", k);
    dir.WriteFile(name, std::string(catalogue[k].file.begin(), catalogue[k].file.end()));
  }
  dir.WriteFile("v99.bmp", "BM and nothing else");  // a refused source keeps the background
  for (const int order : {0, 1, 2}) {
    for (const int fit : {0, 1, 2}) {
      for (const Rgb background : {Rgb{0}, Rgb{0x3060C0}}) {
        SCOPED_TRACE(::testing::Message()
                     << "order " << order << ", fit " << fit << ", background " << background);
        Window window(dir.Path());
        window.Loaded();
        Configure(window, {.blockWidth = "9.5",
                           .blockHeight = "7",
                           .spacing = "1",
                           .wrap = "6",
                           .order = order,
                           .fit = fit});
        ChooseBackground(window, background);
        window.form.PlemoBMP();
        const main_window::RunReport& run = window.form.LastRun();
        ASSERT_EQ(run.outcome, main_window::RunReport::Outcome::Written);
        ASSERT_EQ(run.notDrawn.size(), 1u);
        const std::vector<std::uint8_t> written = ReadBytes(run.outputPath);
        const std::vector<std::uint8_t> expected = StraightforwardJoin(
            SettingsOf(window.form.Job()), window.form.Job().FileList, run.width, run.height);
        EXPECT_TRUE(written == expected)
            << written.size() << " bytes written, " << expected.size() << " expected";
        std::filesystem::remove(run.outputPath);
      }
    }
  }
}

}  // namespace
}  // namespace eveda::testing
