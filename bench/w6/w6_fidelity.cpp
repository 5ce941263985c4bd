// w6's fidelity and phase figures for a contact sheet eveda-batch made with
// `-i '*.jpg' -i '*.png' -f contain -W W -H H -w WRAP` (spacing 0, background black):
// each thumbnail's PSNR against a Lanczos3 of its fully decoded source (profile converted,
// orientation applied) computed here in double precision, and the single-thread time of
// decoding each source as the join does (shrunk on load to twice its cell) and of resampling
// it. Prints a markdown table; asserts nothing.
//
//   w6_fidelity DIR SHEET.png W H WRAP

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "formats/source_reader.h"
#include "gtfile/gtfile.h"
#include "join/grid_plan.h"
#include "pictures/colour_transform.h"
#include "pictures/orientation.h"
#include "pictures/resampler.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Picture {
  int width = 0, height = 0, channels = 3;
  std::vector<std::uint8_t> pixels;
};

// Every row of the stream, with its profile applied when it has one.
bool ReadAll(formats::RowStream& stream, bool profile, Picture& out) {
  const formats::StreamInfo& info = stream.Info();
  out.width = static_cast<int>(info.width);
  out.height = static_cast<int>(info.height);
  out.channels = info.pixels == formats::Pixels::Bgra ? 4 : 3;
  const std::size_t row = std::size_t(out.width) * out.channels;
  out.pixels.resize(row * out.height);
  if (!stream.Read(out.pixels.data(), static_cast<std::ptrdiff_t>(row), info.height)) return false;
  if (!profile || info.iccProfile.empty()) return true;
  auto transform = pictures::ColourTransform::FromIcc(
      info.iccProfile,
      out.channels == 4 ? pictures::ColourInput::kBgra : pictures::ColourInput::kBgr);
  if (!transform) return true;
  std::vector<std::uint8_t> converted(row);
  for (int y = 0; y < out.height; ++y) {
    transform->ConvertRow(out.pixels.data() + row * y, converted.data(), out.width);
    std::copy(converted.begin(), converted.end(), out.pixels.begin() + row * y);
  }
  return true;
}

double Lanczos3(double t) {
  t = std::fabs(t);
  if (t < 1e-12) return 1;
  if (t >= 3) return 0;
  const double p = std::numbers::pi * t;
  return 3 * std::sin(p) * std::sin(p / 3) / (p * p);
}

struct Taps {
  std::vector<int> index;
  std::vector<double> weight;
};

// Pixel centres, the kernel stretched by the reduction, edge pixels repeated.
std::vector<Taps> AxisTaps(int in, int out) {
  const double scale = double(in) / out, stretch = std::max(scale, 1.0), support = 3 * stretch;
  std::vector<Taps> taps(static_cast<std::size_t>(out));
  for (int o = 0; o < out; ++o) {
    const double centre = (o + 0.5) * scale - 0.5;
    double sum = 0;
    for (int j = int(std::ceil(centre - support)); j <= int(std::floor(centre + support)); ++j) {
      const double w = Lanczos3((j - centre) / stretch);
      if (w == 0) continue;
      taps[o].index.push_back(std::clamp(j, 0, in - 1));
      taps[o].weight.push_back(w);
      sum += w;
    }
    for (double& w : taps[o].weight) w /= sum;
  }
  return taps;
}

// The picture resampled to w x h and laid over black, as B,G,R doubles.
std::vector<double> Reference(const Picture& p, int w, int h) {
  const auto columns = AxisTaps(p.width, w), rows = AxisTaps(p.height, h);
  std::vector<double> across(std::size_t(w) * p.height * 3);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < w; ++x)
      for (std::size_t k = 0; k < columns[x].index.size(); ++k) {
        const std::uint8_t* s =
            &p.pixels[(std::size_t(y) * p.width + columns[x].index[k]) * p.channels];
        const double a = p.channels == 4 ? s[3] / 255.0 : 1.0;
        for (int c = 0; c < 3; ++c)
          across[(std::size_t(y) * w + x) * 3 + c] += columns[x].weight[k] * s[c] * a;
      }
  std::vector<double> out(std::size_t(w) * h * 3);
  for (int y = 0; y < h; ++y)
    for (std::size_t k = 0; k < rows[y].index.size(); ++k)
      for (int i = 0; i < w * 3; ++i)
        out[std::size_t(y) * w * 3 + i] +=
            rows[y].weight[k] * across[std::size_t(rows[y].index[k]) * w * 3 + i];
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: w6_fidelity DIR SHEET.png W H WRAP\n");
    return 2;
  }
  const std::string dir = GTFile::NormalizeDir(argv[1]);
  join::Layout layout;
  layout.BlockWidth = std::atof(argv[3]);
  layout.BlockHeight = std::atoi(argv[4]);
  layout.WrapCount = std::atoi(argv[5]);
  layout.FitMode = join::FitMode::Contain;
  const formats::SourceReader& reader = formats::SourceReader::EveryFormat();
  auto sheetStream = reader.OpenStream(argv[2], {});
  Picture sheet;
  if (!sheetStream || !ReadAll(**sheetStream, false, sheet)) {
    std::fprintf(stderr, "w6_fidelity: cannot read %s\n", argv[2]);
    return 1;
  }
  GTFile::NameList names;
  GTFile::FindFiles(dir, names, {"*.jpg", "*.png"}, false);
  double sum = 0, worst = 1e9, decodeSeconds = 0, resampleSeconds = 0;
  int count = 0;
  std::string worstName;
  for (std::size_t i = 1; i < names.size(); ++i) {
    const std::string path = dir + names[i];
    auto stream = reader.OpenStream(path, {});
    Picture stored;
    if (!stream || !ReadAll(**stream, true, stored)) continue;
    const int turn = (*stream)->Info().orientation;
    const pictures::Size size = pictures::OrientedSize(stored.width, stored.height, turn);
    Picture shown{size.width, size.height, stored.channels, {}};
    shown.pixels.resize(stored.pixels.size());
    pictures::OrientFrame(stored.pixels, stored.width, stored.height, stored.channels, turn,
                          shown.pixels);
    const join::Rect r = join::ScaledRect(
        layout, join::CellOriginOf(layout, sheet.width, static_cast<std::int32_t>(i)), size.width,
        size.height);
    const std::vector<double> want = Reference(shown, int(r.cx), int(r.cy));
    double squares = 0;
    for (int y = 0; y < r.cy; ++y)
      for (int x = 0; x < r.cx; ++x)
        for (int c = 0; c < 3; ++c) {
          const double got =
              sheet.pixels[(std::size_t(r.y + y) * sheet.width + r.x + x) * sheet.channels + c];
          const double d = got - std::clamp(want[(std::size_t(y) * r.cx + x) * 3 + c], 0.0, 255.0);
          squares += d * d;
        }
    const double mse = squares / (double(r.cx) * r.cy * 3);
    const double psnr = mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
    sum += psnr;
    ++count;
    if (psnr < worst) worst = psnr, worstName = names[i];
    std::printf("| %s | %dx%d | %.1f dB |\n", names[i].c_str(), stored.width, stored.height, psnr);

    // The join's own work for this source, one thread: decode shrunk on load, then resample.
    const bool swaps = turn >= 5 && turn <= 8;
    const auto tw = static_cast<std::uint32_t>(swaps ? r.cy : r.cx);
    const auto th = static_cast<std::uint32_t>(swaps ? r.cx : r.cy);
    const auto t0 = Clock::now();
    auto hinted = reader.OpenStream(path, {2 * tw, 2 * th});
    Picture small;
    if (!hinted || !ReadAll(**hinted, true, small)) continue;
    const auto t1 = Clock::now();
    auto resampler =
        pictures::Resampler::Create({small.width, small.height, int(tw), int(th),
                                     pictures::Filter::kLanczos3, small.channels, std::nullopt});
    const std::size_t row = std::size_t(small.width) * small.channels;
    for (int y = 0; resampler && !resampler->Done();) {
      if (resampler->Pull()) continue;
      resampler->Push(small.pixels.data() + row * y++);
    }
    const auto t2 = Clock::now();
    decodeSeconds += std::chrono::duration<double>(t1 - t0).count();
    resampleSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  std::printf("\nPSNR over %d thumbnails: mean %.1f dB, lowest %.1f dB (%s)\n", count,
              count ? sum / count : 0.0, worst, worstName.c_str());
  std::printf("one thread: decode (shrunk on load) %.2f s, resample %.2f s\n", decodeSeconds,
              resampleSeconds);
  return 0;
}
