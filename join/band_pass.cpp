#include "join/band_pass.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

#include "formats/bmp/bmp.h"
#include "join/caption_strips.h"
#include "join/prefetch.h"
#include "platform/bmp_format/bmp_format.h"
#include "platform/workers/helper.h"

namespace join {
namespace {

using bmp_loader::RowBuffers;
using bmp_loader::RowSource;
using bmp_loader::ScratchBuffer;

// Small enough that the two band sections stay in the cache and cost few fresh pages after
// the machine has been idle (each fresh page is paid again then); large enough that the
// per-band work (one read per open source, one write) stays small beside the pixels.
constexpr std::int64_t kBandBytes = std::int64_t{512} << 10;
// Sources read row by row keep a descriptor while their cell is drawn; past the process's
// limit less these (the output, its writer, the prefetch's threads, standard streams and what
// libraries hold), a source is read whole instead (a grid row of thousands of tall cells).
constexpr std::size_t kReservedFiles = 64;
// However high the limit, many more open at once gains nothing over reading them whole.
constexpr std::size_t kMaxOpenFiles = 16384;
// A source that finds no descriptor left is opened again once the open sources are read whole,
// then, while other parts of the process hold them, after a wait, this many times in all.
constexpr int kOpenRetries = 5;
constexpr auto kOpenRetryWait = std::chrono::milliseconds(20);
// Decoded sources opened ahead wait in memory: a few, or one however large.
constexpr std::size_t kMaxAheadBytes = std::size_t{32} << 20;

// A source whose cell the bands have reached and not yet passed.
struct OpenCell {
  std::int32_t i = 0;
  std::unique_ptr<RowBuffers> buffers;
  std::optional<RowSource> source;
  TileCopy copy;
  std::int32_t endRow = 0;  // below the last output row it draws
  // A generated source's rows for the band being drawn, made before it on two threads.
  std::optional<eveda::Result<gdi::DibRows, bmp_loader::DecodeError>> prepared;
};

// The rows of the source a copy needs for output rows [top, bottom), whole-image coordinates.
struct SourceRows {
  std::int32_t first = 0;
  std::int32_t count = 0;
};
SourceRows NeededRows(const TileCopy& copy, std::int32_t sourceHeight, std::int32_t top,
                      std::int32_t bottom) {
  const std::int64_t d0 = std::max(top, copy.y) - std::int64_t{copy.y};
  const std::int64_t d1 = std::min<std::int64_t>(bottom, std::int64_t{copy.y} + copy.cy) - copy.y;
  if (d1 <= d0) return {};
  std::int64_t first = copy.sy + d0, last = copy.sy + d1 - 1;
  if (copy.stretch) {  // the runs StretchBlt merges (see stretch_blt.cpp)
    first = d0 * sourceHeight / copy.cy;
    last = std::max(d1 * sourceHeight / copy.cy - 1, (d1 - 1) * sourceHeight / copy.cy);
  }
  first = std::max<std::int64_t>(first, 0);
  last = std::min<std::int64_t>(last, sourceHeight - 1);
  if (last < first) return {};
  return {static_cast<std::int32_t>(first), static_cast<std::int32_t>(last - first + 1)};
}

// How many sources the pass keeps open row by row, from the limit the process runs under.
std::size_t OpenFileBudget() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
    return kMaxOpenFiles;
  const auto current = static_cast<std::size_t>(limit.rlim_cur);
  const std::size_t reserve = std::min(kReservedFiles, current / 2);
  return std::clamp<std::size_t>(current - reserve, 1, kMaxOpenFiles);
}

bool OutOfDescriptors(const formats::SourceError& error) {
  return error.reason == bmp_loader::DecodeError::TooManyOpenFiles;
}

// Sources are numbered from 1 here, as the cells are (CellOriginOf); the opener and the
// report count from 0.
class GridPass {
 public:
  GridPass(const Layout& layout, std::int32_t count, const SourceOpener& open,
           const TileProgress& progress, std::int32_t width, std::size_t openAhead,
           std::vector<DrawnRect>* drawn, const TileProgress& opened)
      : layout_(layout),
        open_(open),
        progress_(progress),
        opened_(opened),
        width_(width),
        count_(count),
        drawn_(drawn),
        openFileBudget_(OpenFileBudget()) {
    if (drawn_) drawn_->assign(static_cast<std::size_t>(count_), DrawnRect{});
    for (std::int32_t i = 1; i <= count_; ++i) byTop_.push_back(i);
    // Cells are met in the order of their top row; sources of one row keep their order.
    std::stable_sort(byTop_.begin(), byTop_.end(),
                     [this](std::int32_t a, std::int32_t b) { return Origin(a).y < Origin(b).y; });
    if (openAhead > 0 && count_ > 1) {
      std::vector<std::int32_t> order;
      for (const std::int32_t i : byTop_) order.push_back(i - 1);
      prefetch_ =
          std::make_unique<SourcePrefetch>(open_, std::move(order), openAhead, kMaxAheadBytes);
    }
  }

  // Draws every source that reaches `band`; false when the pass is to stop.
  bool DrawBand(DSMod::Band& band) {
    const std::int32_t top = band.FirstRow, bottom = band.FirstRow + band.Rows;
    while (next_ < byTop_.size() && Origin(byTop_[next_]).y < bottom) {
      if (!Open(byTop_[next_++])) return false;
    }
    PrepareGenerated(top, bottom);
    for (OpenCell& open : openCells_) Draw(open, band, top, bottom);
    return CloseAbove(bottom);
  }

  // Generated sources (pictures made as the bands reach them) decode while they give their
  // rows: a band's are shared with a helper thread, so that two cores decode them.
  void PrepareGenerated(std::int32_t top, std::int32_t bottom) {
    std::vector<std::pair<OpenCell*, SourceRows>> cells;
    for (OpenCell& open : openCells_) {
      if (!open.source || !open.source->IsGenerated()) continue;
      const SourceRows needed = NeededRows(open.copy, open.source->Height(), top, bottom);
      if (needed.count > 0) cells.emplace_back(&open, needed);
    }
    if (cells.size() < 2) return;
    if (!helper_) helper_ = std::make_unique<workers::Helper>();
    helper_->Share(cells.size(), [&](std::size_t k, int part) {
      const auto& [open, needed] = cells[k];
      open->prepared =
          open->source->Rows(needed.first, needed.count, part == 0 ? scratch_ : helperScratch_);
    });
  }

  // Sources whose cells no band reached are still opened, so that an unreadable one is named.
  bool Rest() {
    while (next_ < byTop_.size()) {
      if (!Open(byTop_[next_++])) return false;
    }
    return CloseAbove(std::numeric_limits<std::int32_t>::max());
  }

  GridPassResult Outcome(bool stopped) {
    std::sort(notDrawn_.begin(), notDrawn_.end(),
              [](const auto& a, const auto& b) { return a.index < b.index; });
    return GridPassResult{std::move(notDrawn_), stopped};
  }

 private:
  CellOrigin Origin(std::int32_t i) const { return CellOriginOf(layout_, width_, i); }

  bool Open(std::int32_t i) {
    OpenCell open;
    open.i = i;
    auto source = OpenSource(i, open.buffers);
    for (int retry = 0; !source && OutOfDescriptors(source.error()) && retry < kOpenRetries;
         ++retry) {
      if (retry == 0) {
        ReleaseDescriptors();
      } else {
        std::this_thread::sleep_for(kOpenRetryWait);
      }
      source = open_(i - 1, *open.buffers, scratch_);
    }
    if (!source) {
      Recycle(std::move(open.buffers));
      NotDrawn(i, source.error());
      return Finished();
    }
    if (openCells_.size() >= openFileBudget_) {
      if (auto whole = source->ReadWhole(*open.buffers, scratch_); !whole) {
        Recycle(std::move(open.buffers));
        NotDrawn(i, formats::SourceError{whole.error()});
        return Finished();
      }
    }
    if (opened_ && !opened_(++openedCount_, count_)) return false;
    open.copy = PlanTileCopy(layout_, Origin(i), source->Width(), source->Height());
    open.endRow = open.copy.y + std::max(open.copy.cy, 0);
    if (drawn_)
      (*drawn_)[static_cast<std::size_t>(i - 1)] =
          DrawnRectOf(layout_, Origin(i), source->Width(), source->Height());
    open.source.emplace(std::move(*source));
    // Kept in source order: where cells overlap, the later source is drawn over the earlier.
    const auto at = std::find_if(openCells_.begin(), openCells_.end(),
                                 [i](const OpenCell& o) { return o.i > i; });
    openCells_.insert(at, std::move(open));
    return true;
  }

  // Source `i`, the next in top-row order, with the buffers it keeps while it is drawn: the
  // one the prefetch opened for it, or opened here.
  eveda::Result<RowSource, formats::SourceError> OpenSource(std::int32_t i,
                                                            std::unique_ptr<RowBuffers>& buffers) {
    if (prefetch_) {
      auto opened = prefetch_->Take(i - 1, scratch_);
      buffers = std::move(opened.buffers);
      return std::move(*opened.source);
    }
    if (spare_.empty()) spare_.push_back(std::make_unique<RowBuffers>());
    buffers = std::move(spare_.back());
    spare_.pop_back();
    return open_(i - 1, *buffers, scratch_);
  }

  // Reads every open source whole, so that their descriptors go, and keeps fewer open from now
  // on; what other parts of the process hold, the retries after it wait for.
  void ReleaseDescriptors() {
    for (OpenCell& open : openCells_) {
      if (!open.source) continue;
      if (auto whole = open.source->ReadWhole(*open.buffers, scratch_); !whole) {
        NotDrawn(open.i, formats::SourceError{whole.error()});
        open.source.reset();
      }
    }
    openFileBudget_ = std::min(openFileBudget_, std::max<std::size_t>(openCells_.size() / 2, 1));
  }

  void Recycle(std::unique_ptr<RowBuffers> buffers) {
    if (buffers) buffers->generator.reset();  // its file and decoder go with the source
    if (prefetch_) return prefetch_->Recycle(std::move(buffers));
    spare_.push_back(std::move(buffers));
  }

  void Draw(OpenCell& open, DSMod::Band& band, std::int32_t top, std::int32_t bottom) {
    if (!open.source) return;
    RowSource& source = *open.source;
    const TileCopy& copy = open.copy;
    const SourceRows needed = NeededRows(copy, source.Height(), top, bottom);
    if (needed.count == 0) return;
    const auto rows = open.prepared ? std::move(*open.prepared)
                                    : source.Rows(needed.first, needed.count, scratch_);
    open.prepared.reset();
    if (!rows) {  // the file shrank under its descriptor, or a generated source's decoder failed
      // part way: the rest of its cell stays as it is
      const bmp_loader::RowGenerator* generator =
          open.buffers ? open.buffers->generator.get() : nullptr;
      NotDrawn(open.i,
               formats::SourceError{rows.error(), generator ? generator->FailureWords() : ""});
      open.source.reset();
      return;
    }
    if (copy.stretch) {
      gdi::StretchBltRows(band.hDC, copy.x, copy.y, copy.cx, copy.cy, *rows, 0, 0, source.Width(),
                          source.Height());
    } else {
      gdi::BitBltRows(band.hDC, copy.x, copy.y, copy.cx, copy.cy, *rows, copy.sx, copy.sy);
    }
  }

  // Finishes, in source order, every open source drawn down to `bottom`: one pass over the
  // open sources, however many a band holds.
  bool CloseAbove(std::int32_t bottom) {
    const auto done =
        std::stable_partition(openCells_.begin(), openCells_.end(),
                              [bottom](const OpenCell& o) { return o.endRow > bottom; });
    const auto count = std::distance(done, openCells_.end());
    for (auto it = done; it != openCells_.end(); ++it) {
      it->source.reset();
      Recycle(std::move(it->buffers));
    }
    openCells_.erase(done, openCells_.end());
    for (std::ptrdiff_t k = 0; k < count; ++k) {
      if (!Finished()) return false;
    }
    return true;
  }

  void NotDrawn(std::int32_t i, formats::SourceError error) {
    notDrawn_.push_back({i - 1, std::move(error)});
  }

  bool Finished() {
    ++done_;
    return !progress_ || progress_(done_, count_);
  }

  const Layout& layout_;
  const SourceOpener& open_;
  const TileProgress& progress_;
  const TileProgress& opened_;
  std::int32_t openedCount_ = 0;
  std::int32_t width_;
  std::int32_t count_;
  std::vector<DrawnRect>* drawn_;
  std::size_t openFileBudget_;
  std::int32_t done_ = 0;
  std::vector<std::int32_t> byTop_;
  std::size_t next_ = 0;
  std::vector<OpenCell> openCells_;
  std::vector<std::unique_ptr<RowBuffers>> spare_;  // reused from one source to the next
  ScratchBuffer scratch_;
  ScratchBuffer helperScratch_;
  std::unique_ptr<workers::Helper> helper_;  // for generated sources, once a band has two
  std::vector<PassRefusal> notDrawn_;
  std::unique_ptr<SourcePrefetch> prefetch_;  // last: its thread stops before the rest goes
};

}  // namespace

std::int32_t BandRowsFor(const Layout& layout, std::int32_t width, std::int32_t height) {
  const std::int64_t stride = bmp_format::RowStride(std::max(width, 1), formats::kOutputBitCount);
  const std::int64_t rows = std::max<std::int64_t>(1, kBandBytes / stride);
  const std::int64_t pitch =
      std::int64_t{layout.BlockHeight} + layout.CaptionHeight + layout.Spacing;
  const std::int64_t aligned = pitch > 0 && pitch <= rows ? rows / pitch * pitch : rows;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(aligned, 1, std::max(height, 1)));
}

GridPassResult DrawGridBands(const Layout& layout, gdi::COLORREF background, std::int32_t count,
                             std::span<DSMod::Band> bands, const BandFinished& finished,
                             const TileProgress& progress, const SourceOpener& open,
                             std::size_t openAhead, CellCaptions* captions,
                             std::vector<DrawnRect>* drawn, const TileProgress& opened) {
  if (bands.empty()) return {};
  GridPass pass(layout, count, open, progress, bands.front().Width, openAhead, drawn, opened);
  std::optional<CaptionStrips> strips;
  if (captions && layout.CaptionHeight > 0)
    strips.emplace(layout, count, bands.front().Width, background, *captions);
  const std::int32_t height = bands.front().Height;
  std::size_t k = 0;
  for (std::int32_t top = 0; top < height; top += bands[k].Rows, k = (k + 1) % bands.size()) {
    DSMod::Band& band = bands[k];
    DSMod::MoveBand(band, top);
    DSMod::FillBand(band, background);
    if (!pass.DrawBand(band)) return pass.Outcome(true);
    if (strips) strips->Draw(band);
    if (finished) finished(band);
  }
  const bool stopped = !pass.Rest();
  return pass.Outcome(stopped);
}

}  // namespace join
