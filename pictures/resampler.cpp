#include "pictures/resampler.h"

#include <algorithm>

namespace pictures {
namespace {

// A sample's 8-bit level after the vertical pass: sums carry kWeightOne × kSampleOne per level.
constexpr int32_t kLevelSum = kWeightOne * kSampleOne;

uint8_t ToLevel(int32_t sum) {
  if (sum <= 0) return 0;
  return static_cast<uint8_t>(std::min<int32_t>((sum + kLevelSum / 2) / kLevelSum, 255));
}

uint8_t Unpremultiply(int32_t colour, int32_t alpha) {
  if (alpha <= 0 || colour <= 0) return 0;
  const int64_t level = (int64_t{colour} * 255 + alpha / 2) / alpha;
  return static_cast<uint8_t>(std::min<int64_t>(level, 255));
}

// One row through the horizontal taps. 8-bit input is scaled to samples after summing, which
// gives the same sums as scaling first.
template <int C, class In>
void Horizontal(const void* input, const AxisTaps& taps, int32_t* out) {
  const In* in = static_cast<const In*>(input);
  constexpr int32_t scale = sizeof(In) == 1 ? kSampleOne : 1;
  // Local copies: `out` could alias the tables' ints, which would reload them at every store.
  const int outputs = taps.Outputs(), stride = taps.stride;
  const int* first = taps.first.data();
  const int* count = taps.count.data();
  const int16_t* weights = taps.weights.data();
  for (int i = 0; i < outputs; ++i) {
    const In* p = in + static_cast<size_t>(first[i]) * C;
    const int16_t* w = weights + static_cast<size_t>(i) * stride;
    const int n = count[i];
    int32_t acc[C] = {};
    for (int k = 0; k < n; ++k, p += C) {
      for (int c = 0; c < C; ++c) acc[c] += w[k] * static_cast<int32_t>(p[c]);
    }
    for (int c = 0; c < C; ++c) {
      out[i * C + c] = (acc[c] * scale + kWeightOne / 2) >> kWeightBits;
    }
  }
}

eveda::Result<Window, std::string> CheckRequest(const ResampleRequest& r) {
  auto fail = [](std::string why) { return eveda::Unexpected(std::move(why)); };
  auto bad = [](int w, int h) { return w < 1 || h < 1 || w > kMaxSide || h > kMaxSide; };
  if (bad(r.sourceWidth, r.sourceHeight)) {
    return fail("source size " + std::to_string(r.sourceWidth) + "x" +
                std::to_string(r.sourceHeight) + " is outside 1.." + std::to_string(kMaxSide));
  }
  if (bad(r.targetWidth, r.targetHeight)) {
    return fail("target size " + std::to_string(r.targetWidth) + "x" +
                std::to_string(r.targetHeight) + " is outside 1.." + std::to_string(kMaxSide));
  }
  if (r.channels != 3 && r.channels != 4) {
    return fail(std::to_string(r.channels) + " channels: only B,G,R and B,G,R,A are resampled");
  }
  const Window w = r.window.value_or(Window{0, 0, r.targetWidth, r.targetHeight});
  if (w.x0 < 0 || w.y0 < 0 || w.x1 > r.targetWidth || w.y1 > r.targetHeight || w.x0 >= w.x1 ||
      w.y0 >= w.y1) {
    return fail("window is empty or outside the target");
  }
  return w;
}

}  // namespace

eveda::Result<Resampler, std::string> Resampler::Create(const ResampleRequest& request) {
  EVEDA_TRY(window, CheckRequest(request));
  return Resampler(request, *window);
}

Resampler::Resampler(const ResampleRequest& r, Window window) : request_(r), window_(window) {
  const int fx = BoxFactor(r.sourceWidth, r.targetWidth, r.filter);
  const int fy = BoxFactor(r.sourceHeight, r.targetHeight, r.filter);
  const int c = r.channels;
  // Alpha always passes the box stage, if only to be premultiplied.
  if (fx > 1 || fy > 1 || c == 4) box_.emplace(r.sourceWidth, r.sourceHeight, fx, fy, c);
  const int inW = box_ ? box_->Width() : r.sourceWidth;
  const int inH = box_ ? box_->Height() : r.sourceHeight;
  // Scales in kernel-input units, from the source's own size so the box's rounding-up of a
  // partial last block does not stretch the picture.
  const double scaleX = static_cast<double>(r.sourceWidth) / fx / r.targetWidth;
  const double scaleY = static_cast<double>(r.sourceHeight) / fy / r.targetHeight;
  columns_ = BuildAxisTaps(inW, scaleX, window.x0, window.x1, r.filter);
  rows_ = BuildAxisTaps(inH, scaleY, window.y0, window.y1, r.filter);
  if (c == 4) {
    horizontal_ = &Horizontal<4, int32_t>;
  } else {
    horizontal_ = box_ ? &Horizontal<3, int32_t> : &Horizontal<3, uint8_t>;
  }
  rowSamples_ = OutputWidth() * c;
  ringRows_ = rows_.MaxCount();
  ring_.resize(static_cast<size_t>(ringRows_) * rowSamples_);
  sums_.resize(static_cast<size_t>(rowSamples_));
  out_.resize(static_cast<size_t>(rowSamples_));
}

bool Resampler::OutputReady() const {
  return !Done() && kernelRows_ >= rows_.first[nextOutput_] + rows_.count[nextOutput_];
}

bool Resampler::NeedsInput() const { return !Done() && !OutputReady(); }

bool Resampler::Push(const uint8_t* row) {
  if (!NeedsInput() || sourceRows_ >= request_.sourceHeight) return false;
  ++sourceRows_;
  // A kernel row that no output left to make reads (above the window, between nearest's taps)
  // is only counted, where one source row makes one kernel row.
  if ((!box_ || box_->FactorY() == 1) && kernelRows_ < rows_.first[nextOutput_]) {
    if (box_) box_->SkipRow();
    ++kernelRows_;
    return true;
  }
  const void* input = row;
  if (box_) {
    if (!box_->Add(row)) return true;
    input = box_->Row();
  }
  const int r = kernelRows_++;
  if (r >= rows_.first[nextOutput_]) {
    horizontal_(input, columns_, ring_.data() + static_cast<size_t>(r % ringRows_) * rowSamples_);
  }
  return true;
}

// Only where one source row makes one kernel row: a box row above the window would lose part of
// its sum otherwise.
int Resampler::RowsUnread() const {
  if (Done() || (box_ && box_->FactorY() != 1)) return 0;
  return std::clamp(rows_.first[nextOutput_] - kernelRows_, 0,
                    request_.sourceHeight - sourceRows_);
}

void Resampler::PassOver(int rows) {
  rows = std::clamp(rows, 0, RowsUnread());
  sourceRows_ += rows;
  kernelRows_ += rows;
  for (int k = 0; box_ && k < rows; ++k) box_->SkipRow();
}

std::optional<std::span<const uint8_t>> Resampler::Pull() {
  if (!OutputReady()) return std::nullopt;
  int32_t* sums = sums_.data();
  const int samples = rowSamples_;
  std::fill(sums, sums + samples, 0);
  const int16_t* w = rows_.WeightsOf(nextOutput_);
  for (int k = 0; k < rows_.count[nextOutput_]; ++k) {
    const int r = rows_.first[nextOutput_] + k;
    const int32_t* in = ring_.data() + static_cast<size_t>(r % ringRows_) * samples;
    const int32_t weight = w[k];
    for (int i = 0; i < samples; ++i) sums[i] += weight * in[i];
  }
  Finish(sums_.data());
  ++nextOutput_;
  return std::span<const uint8_t>(out_);
}

void Resampler::Finish(const int32_t* sums) {
  if (request_.channels == 3) {
    for (int i = 0; i < rowSamples_; ++i) out_[i] = ToLevel(sums[i]);
    return;
  }
  for (int i = 0; i < rowSamples_; i += 4) {
    for (int c = 0; c < 3; ++c) out_[i + c] = Unpremultiply(sums[i + c], sums[i + 3]);
    out_[i + 3] = ToLevel(sums[i + 3]);
  }
}

std::size_t Resampler::BytesHeld() const {
  const auto taps = [](const AxisTaps& t) {
    return (t.first.capacity() + t.count.capacity()) * sizeof(int) +
           t.weights.capacity() * sizeof(int16_t);
  };
  return (ring_.capacity() + sums_.capacity()) * sizeof(int32_t) + out_.capacity() +
         taps(columns_) + taps(rows_) +
         (box_ ? static_cast<std::size_t>(box_->Width()) * 8 *
                         static_cast<std::size_t>(request_.channels) +
                     static_cast<std::size_t>(request_.sourceWidth) * 4 *
                         static_cast<std::size_t>(request_.channels)
               : 0);
}

}  // namespace pictures
