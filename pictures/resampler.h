#pragma once
// A separable resampler for photographs that works as rows arrive.
//
// Source rows go in top to bottom; output rows come out top to bottom as soon as the source
// rows under their taps have arrived. Each source row is reduced horizontally once (after the
// box pre-shrink of large reductions, see filter.h); the vertical pass reads a ring of as many
// reduced rows as its widest kernel, so memory is a few rows, never the picture.
//
// Pixels are 8-bit B,G,R or B,G,R,A with straight alpha. With alpha, colour is premultiplied
// before filtering and divided out after, so transparent pixels lend no colour to an edge.
//
// Arithmetic: samples in 1/255 of a level (see box_shrink.h); 14-bit weights; the horizontal
// pass rounds its sums back to samples (half up), the vertical pass accumulates in 32 bits
// and makes the one rounding to 8 bits: half up, clamped to 0..255. With alpha, colour is
// round(255 × colour sum / alpha sum), 0 where the alpha sum is not positive.
//
// A window of the full target may be asked for (a cover fit keeps only the middle of a target
// larger than its cell): only the window's outputs are computed, its columns and rows only.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pictures/box_shrink.h"
#include "pictures/filter.h"
#include "platform/result.h"

namespace pictures {

// Sides beyond this are refused, so that every table and sum stays in its integer range.
inline constexpr int kMaxSide = 1 << 20;

// Output columns [x0, x1) and rows [y0, y1) of the full target.
struct Window {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct ResampleRequest {
  int sourceWidth = 0, sourceHeight = 0;
  int targetWidth = 0, targetHeight = 0;
  Filter filter = Filter::kLanczos3;
  int channels = 3;              // 3: B,G,R; 4: B,G,R,A
  std::optional<Window> window;  // the whole target when absent
};

class Resampler {
 public:
  // The reason when sizes, channels or the window make no sense.
  static eveda::Result<Resampler, std::string> Create(const ResampleRequest& request);

  int OutputWidth() const { return window_.x1 - window_.x0; }
  int OutputHeight() const { return window_.y1 - window_.y0; }

  // True when the next output row waits for more source rows.
  bool NeedsInput() const;
  // True once every output row was pulled; the rest of the source is not needed.
  bool Done() const { return nextOutput_ >= OutputHeight(); }

  // Takes the next source row (sourceWidth × channels bytes). Refused (false) unless
  // NeedsInput(): pull the rows that are ready first.
  bool Push(const uint8_t* row);
  // The source rows from here on that no output reads (those above the window), which the
  // caller may pass over unread with PassOver, up to that many.
  int RowsUnread() const;
  void PassOver(int rows);
  // The next output row (OutputWidth() × channels bytes, valid until the next call), or
  // nothing while it waits for input or when done.
  std::optional<std::span<const uint8_t>> Pull();

  // The memory its tables and rows hold.
  std::size_t BytesHeld() const;

 private:
  using HorizontalPass = void (*)(const void* in, const AxisTaps& taps, int32_t* out);

  explicit Resampler(const ResampleRequest& request, Window window);
  bool OutputReady() const;
  void Finish(const int32_t* sums);

  ResampleRequest request_;
  Window window_;
  std::optional<BoxShrinker> box_;
  AxisTaps columns_, rows_;
  HorizontalPass horizontal_ = nullptr;
  int rowSamples_ = 0;  // OutputWidth() × channels
  int ringRows_ = 0;
  std::vector<int32_t> ring_;
  std::vector<int32_t> sums_;
  std::vector<uint8_t> out_;
  int sourceRows_ = 0;
  int kernelRows_ = 0;  // rows handed to the kernel: box rows, or source rows
  int nextOutput_ = 0;
};

}  // namespace pictures
