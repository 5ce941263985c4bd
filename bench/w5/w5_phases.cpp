// Where the time of a PNG/JPEG-to-PNG join goes: each phase of eveda-batch's pass timed on its
// own, through the same calls (the PNG or JPEG decoder, its rows copied into a 24-bit canvas,
// PngEncoder over the canvas rows, fsync). The encoder overlaps compression with the caller in a
// run; here it runs after the drawing so that each share is measured alone. Prints figures, asserts
// nothing. Usage: w5_phases DIR EXTENSION ACROSS LEVEL OUTPUT    (e.g. w5_phases src .png 20 6
// /tmp/o.png)

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fstream>
#include <iterator>
#include "formats/jpeg/jpeg.h"
#include "formats/png/png.h"
#include "formats/png/png_encoder.h"
#include "platform/gdi/gdi.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

// The file read whole and decoded, as a run decodes a PNG or JPEG source.
bool DecodeSourceFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                      formats::DecodedImage& image) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return formats::SniffPng(bytes) ? !!formats::DecodePng(bytes, 0, image)
                                  : !!formats::DecodeJpeg(bytes, image);
}

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s DIR EXTENSION ACROSS LEVEL OUTPUT\n", argv[0]);
    return 2;
  }
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
    if (entry.path().extension() == argv[2]) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  const int across = std::atoi(argv[3]);
  const int level = std::atoi(argv[4]);
  if (files.empty() || across < 1) return 2;

  // The cell is the first source's size, as every source of the workload has it.
  const gdi::HDC canvasDC = gdi::CreateCompatibleDC(gdi::HDC{});
  std::vector<std::uint8_t> bytes;
  formats::DecodedImage image;
  if (!DecodeSourceFile(files[0], bytes, image)) return 1;
  struct {
    int bmWidth, bmHeight;
  } cell{static_cast<int>(image.width), static_cast<int>(image.height)};
  const int rows = static_cast<int>((files.size() + across - 1) / across);
  gdi::BITMAPINFO info{};
  info.bmiHeader = {sizeof(gdi::BITMAPINFOHEADER),
                    cell.bmWidth * across,
                    cell.bmHeight * rows,
                    1,
                    24,
                    gdi::BI_RGB};
  void* bits = nullptr;
  const gdi::HBITMAP canvas =
      gdi::CreateDIBSection(canvasDC, &info, gdi::DIB_RGB_COLORS, &bits, nullptr, 0);
  gdi::SelectObject(canvasDC, canvas);

  const int width = info.bmiHeader.biWidth, height = info.bmiHeader.biHeight;
  const std::ptrdiff_t stride = (std::ptrdiff_t{width} * 3 + 3) / 4 * 4;
  double decode = 0, draw = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    auto start = Clock::now();
    const bool decoded = DecodeSourceFile(files[i], bytes, image);
    decode += Seconds(start);
    if (!decoded || static_cast<int>(image.width) != cell.bmWidth ||
        static_cast<int>(image.height) != cell.bmHeight)
      continue;
    start = Clock::now();
    const int left = static_cast<int>(i % across) * cell.bmWidth;
    const int top = static_cast<int>(i / across) * cell.bmHeight;
    for (int y = 0; y < cell.bmHeight; ++y) {
      auto* row = static_cast<std::uint8_t*>(bits) + stride * (height - 1 - (top + y)) + 3 * left;
      std::memcpy(row, image.Row(static_cast<std::uint32_t>(y)), 3 * std::size_t(cell.bmWidth));
    }
    draw += Seconds(start);
  }
  const int fd = ::open(argv[5], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  auto start = Clock::now();
  {
    formats::PngEncoder encoder;
    const auto* top = static_cast<const std::uint8_t*>(bits) + stride * (height - 1);
    if (!encoder.Begin(fd, width, height, level) || !encoder.WriteRows(top, -stride, height) ||
        !encoder.Finish())
      return 1;
  }
  const double compress = Seconds(start);
  start = Clock::now();
  ::fsync(fd);
  const double write = Seconds(start);
  ::close(fd);
  const double total = decode + draw + compress + write;
  std::printf(
      "| %s | %d x %d | decode %.2f s (%.0f%%) | draw %.2f s (%.0f%%) | "
      "compress %.2f s (%.0f%%) | write %.2f s (%.0f%%) |\n",
      argv[2], width, height, decode, 100 * decode / total, draw, 100 * draw / total, compress,
      100 * compress / total, write, 100 * write / total);
  return 0;
}
