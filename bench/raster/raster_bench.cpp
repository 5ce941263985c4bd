// Throughput of the raster layer's bulk paths on an 8192 x 8192 canvas, against plain memcpy
// as the ceiling. Figures are megabytes (10^6 bytes) of destination pixels written per second,
// except for the shrink, which counts the source pixels read. Best of a few runs, after one
// untimed run so that page faults of fresh memory are not counted.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"

namespace {

using namespace gdi;

constexpr int kSide = 8192;
constexpr int kRuns = 3;

template <class Work>
double BestSeconds(const Work& work) {
  work();
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (elapsed.count() < best) best = elapsed.count();
  }
  return best;
}

void Report(const char* what, double bytes, double seconds, double ceiling) {
  const double rate = bytes / seconds / 1e6;
  if (ceiling > 0)
    std::printf("%-28s %9.0f MB/s  %5.2fx memcpy\n", what, rate, rate / ceiling);
  else
    std::printf("%-28s %9.0f MB/s\n", what, rate);
}

struct Surface {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  void* bits = nullptr;
  Surface(int side, int bitCount) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = 40;
    info.bmiHeader.biWidth = side;
    info.bmiHeader.biHeight = side;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    for (int i = 0; i < 256; ++i)
      info.bmiColors[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    dc = CreateCompatibleDC(HDC{});
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~Surface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  bool ok() const { return bits != nullptr; }
};

double MeasureMemcpy(double bytes) {
  std::vector<unsigned char> from(static_cast<std::size_t>(bytes), 0x5A), to(from.size());
  const double seconds = BestSeconds([&] { std::memcpy(to.data(), from.data(), from.size()); });
  return bytes / seconds / 1e6;
}

}  // namespace

int main() {
  const double canvasBytes = double(kSide) * kSide * 3;
  const double ceiling = MeasureMemcpy(canvasBytes);
  std::printf("canvas %d x %d, 24 bits per pixel (%.0f MB)\n", kSide, kSide, canvasBytes / 1e6);
  Report("memcpy", canvasBytes, canvasBytes / ceiling / 1e6, 0);

  Surface canvas(kSide, 24);
  if (!canvas.ok()) {
    std::fprintf(stderr, "cannot create the canvas\n");
    return 1;
  }
  const HBRUSH brush = CreateSolidBrush(RGB(12, 34, 56));
  const HGDIOBJ previous = SelectObject(canvas.dc, brush);
  Report("fill (Rectangle)", canvasBytes,
         BestSeconds([&] { Rectangle(canvas.dc, -1, -1, kSide + 2, kSide + 2); }), ceiling);
  SelectObject(canvas.dc, previous);
  DeleteObject(brush);

  {
    Surface source(kSide, 24);
    std::memset(source.bits, 0x3C, std::size_t(canvasBytes));
    Report("BitBlt 24->24", canvasBytes,
           BestSeconds([&] { BitBlt(canvas.dc, 0, 0, kSide, kSide, source.dc, 0, 0, SRCCOPY); }),
           ceiling);
    Report("StretchBlt 2:1 shrink (src)", canvasBytes, BestSeconds([&] {
             StretchBlt(canvas.dc, 0, 0, kSide / 2, kSide / 2, source.dc, 0, 0, kSide, kSide,
                        SRCCOPY);
           }),
           ceiling);
  }
  {
    Surface source(kSide, 8);
    auto* bytes = static_cast<unsigned char*>(source.bits);
    for (std::size_t i = 0; i < std::size_t(kSide) * kSide; ++i)
      bytes[i] = static_cast<unsigned char>(i * 31 >> 3);
    Report("BitBlt 8->24", canvasBytes,
           BestSeconds([&] { BitBlt(canvas.dc, 0, 0, kSide, kSide, source.dc, 0, 0, SRCCOPY); }),
           ceiling);
  }
  return 0;
}
