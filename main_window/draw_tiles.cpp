#include "main_window/draw_tiles.h"

#include "platform/bmp_loader/load_image.h"
#include "platform/image_codecs/load_decoded_bitmap.h"

namespace main_window {
namespace {

void FillBackground(DSMod::Canvas& canvas, gdi::COLORREF colour) {
  if (canvas.Blank && colour == 0) return;  // already black: every byte of a new canvas is 0
  const gdi::HBRUSH brush = gdi::CreateSolidBrush(colour);
  const gdi::HGDIOBJ previous = gdi::SelectObject(canvas.hDC, brush);
  // The black outline of the default pen falls just outside the canvas on every side.
  gdi::Rectangle(canvas.hDC, -1, -1, canvas.Width + 2, canvas.Height + 2);
  gdi::SelectObject(canvas.hDC, previous);
  gdi::DeleteObject(brush);
}

// One source as a bitmap: PNG and JPEG from their decoders when the job lists them (alpha
// over the background), everything else from LoadImageA. On failure `skipped` says why.
gdi::HGDIOBJ LoadSource(const TileSettings& settings, const std::string& path,
                        SkippedSource& skipped) {
  if (settings.OtherFormats) {
    auto decoded = eveda::codecs::LoadDecodedBitmap(path.c_str(), settings.BackColor);
    if (decoded) return *decoded;
    if (!decoded.error().notPngOrJpeg) {
      skipped.reason = decoded.error().reason;
      skipped.detail = decoded.error().detail;
      return {};
    }
  }
  const gdi::HGDIOBJ source = gdi::LoadImageA(nullptr, path.c_str(), gdi::IMAGE_BITMAP, 0, 0,
                                              gdi::LR_LOADFROMFILE | gdi::LR_CREATEDIBSECTION);
  if (!source) skipped.reason = eveda::bmp::LastLoadError();
  return source;
}

// Loads one source and copies it into its cell; false (and `skipped` says why) when it cannot
// be loaded.
bool DrawOneTile(const TileSettings& settings, const std::string& path, std::int32_t i,
                 DSMod::Canvas& canvas, gdi::HDC sourceDC, SkippedSource& skipped) {
  const gdi::HGDIOBJ source = LoadSource(settings, path, skipped);
  gdi::BITMAP info;
  if (gdi::GetObjectA(source, 24, &info) == 0) {
    if (source) gdi::DeleteObject(source);
    return false;
  }
  const gdi::HGDIOBJ previous = gdi::SelectObject(sourceDC, source);
  const TileCopy copy =
      PlanTileCopy(settings, CellOriginOf(settings, canvas.Width, i), info.bmWidth, info.bmHeight);
  if (copy.stretch) {
    gdi::StretchBlt(canvas.hDC, copy.x, copy.y, copy.cx, copy.cy, sourceDC, 0, 0, info.bmWidth,
                    info.bmHeight, gdi::SRCCOPY);
  } else {
    gdi::BitBlt(canvas.hDC, copy.x, copy.y, copy.cx, copy.cy, sourceDC, copy.sx, copy.sy,
                gdi::SRCCOPY);
  }
  gdi::SelectObject(sourceDC, previous);
  gdi::DeleteObject(source);
  return true;
}

}  // namespace

std::vector<SkippedSource> DrawTilesPass(const TileSettings& settings,
                                         const std::vector<std::string>& files,
                                         DSMod::Canvas& canvas, const TileProgress& progress,
                                         const RowsFinished& rowsFinished) {
  FillBackground(canvas, settings.BackColor);
  canvas.Blank = false;
  std::vector<SkippedSource> notDrawn;
  const gdi::HDC sourceDC = gdi::CreateCompatibleDC(gdi::HDC{});
  const auto n = files.empty() ? 0 : static_cast<std::int32_t>(files.size() - 1);
  // Row by row, every copy stays inside its cell and cells only move down, so the rows above
  // the next source's cell are final.
  const bool byRows = settings.ArrangeOrder == ArrangeOrder::RowsFromTopLeft && rowsFinished;
  for (std::int32_t i = 1; i <= n; ++i) {
    // Only one source is in memory at a time: each is released before the next is loaded.
    SkippedSource skipped{i};
    if (!DrawOneTile(settings, files[i], i, canvas, sourceDC, skipped))
      notDrawn.push_back(std::move(skipped));
    if (byRows && i < n) rowsFinished(CellOriginOf(settings, canvas.Width, i + 1).y);
    if (progress && !progress(i, n)) break;
  }
  gdi::DeleteDC(sourceDC);
  return notDrawn;
}

}  // namespace main_window
