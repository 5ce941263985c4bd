#include "tests/support/run_test_support.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/bmp_format/bmp_format.h"
#include "platform/gdi/object_table.h"
#include "platform/stop_signals/stop_signals.h"
#include "tests/support/bmp_builder.h"

namespace eveda::testing {

void WriteImage(const TempDir& dir, const std::string& name, int width, int height,
                const std::function<Rgb(int x, int y)>& colour) {
  std::vector<std::uint32_t> values;
  values.reserve(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) values.push_back(colour(x, y));
  eveda::testing::BmpSpec spec;
  spec.width = width;
  spec.height = height;
  const auto file =
      eveda::testing::BuildBmp(spec, eveda::testing::PackRows(width, height, 24, false, values));
  if (!eveda::testing::WriteFile(dir.PathOf(name), file))
    throw std::runtime_error("cannot write " + dir.PathOf(name));
}

void WriteSolid(const TempDir& dir, const std::string& name, int width, int height, Rgb colour) {
  WriteImage(dir, name, width, height, [colour](int, int) { return colour; });
}

void WritePattern(const TempDir& dir, const std::string& name, int width, int height) {
  WriteImage(dir, name, width, height, Pattern);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

WrittenBmp ReadWritten(const std::string& path) {
  WrittenBmp bmp;
  bmp.bytes = ReadBytes(path);
  if (bmp.bytes.size() < 54) return bmp;
  auto i32 = [&](std::size_t at) {
    return static_cast<int>(bmp.bytes[at] | bmp.bytes[at + 1] << 8 | bmp.bytes[at + 2] << 16 |
                            static_cast<std::uint32_t>(bmp.bytes[at + 3]) << 24);
  };
  bmp.width = i32(18);
  bmp.height = i32(22);
  return bmp;
}

Rgb WrittenBmp::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height)
    throw std::out_of_range("no pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")");
  // Rows are stored bottom-up, each pixel as blue, green, red.
  const std::size_t at = 54 + static_cast<std::size_t>(height - 1 - y) * Stride() + 3 * x;
  return bytes.at(at + 2) << 16 | bytes.at(at + 1) << 8 | bytes.at(at);
}

std::vector<std::uint8_t> ExpectedHeader(int width, int height) {
  const auto stride = static_cast<std::uint32_t>(bmp_format::RowStride(width, 24));
  return HeadersOfWrittenBmp(width, height, 24, stride * static_cast<std::uint32_t>(height));
}

void Configure(Window& window, const Layout& layout) {
  window.ui.SetText(Text1(0), layout.blockWidth);
  window.ui.SetText(Text1(1), layout.blockHeight);
  window.ui.SetText(Text1(2), layout.spacing);
  window.ui.SetText(Text1(3), layout.wrap);
  window.ui.Choose(Combo1(0), layout.order);
  window.ui.Choose(Combo1(1), layout.fit);
}

void ChooseBackground(Window& window, Rgb colour) {
  window.ui.AnswerColor(ColorRefOf(colour));
  window.ui.Click({toolkit::Group::Command2, 0});
}

std::size_t LiveDrawingObjects() { return gdi::detail::ObjectTable::Instance().LiveCount(); }

std::vector<std::string> Tree(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    names.push_back(std::filesystem::relative(entry.path(), dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

bool StopSignalsHeldHere() {
  sigset_t held;
  ::pthread_sigmask(SIG_BLOCK, nullptr, &held);
  return std::all_of(stop_signals::kStopSignals.begin(), stop_signals::kStopSignals.end(),
                     [&held](int signal) { return sigismember(&held, signal) == 1; });
}

}  // namespace eveda::testing
