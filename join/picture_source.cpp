#include "join/picture_source.h"

#include <algorithm>
#include <new>
#include <optional>

#include "formats/stream_source.h"
#include "join/read_ahead.h"
#include "pictures/colour_transform.h"
#include "pictures/orientation.h"
#include "pictures/resampler.h"
#include "platform/bmp_format/bmp_format.h"

namespace join {
namespace {

using bmp_loader::DecodeError;
using formats::SourceError;

eveda::Unexpected<SourceError> Refused(DecodeError reason, std::string words = {}) {
  return eveda::Unexpected{SourceError{reason, std::move(words)}};
}

bool Allocate(std::vector<std::uint8_t>& buffer, std::uint64_t bytes) {
  try {
    buffer.assign(static_cast<std::size_t>(bytes), 0);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// JPEG's DCT scaling keeps at least twice the target, so that the kernel, not the DCT, decides
// what the thumbnail looks like.
formats::OpenHints HintsFor(const Rect& drawn, int orientation) {
  const std::int64_t w = SwapsSides(orientation) ? drawn.cy : drawn.cx;
  const std::int64_t h = SwapsSides(orientation) ? drawn.cx : drawn.cy;
  const auto twice = [](std::int64_t side) {
    return static_cast<std::uint32_t>(std::min<std::int64_t>(2 * side, UINT32_MAX));
  };
  return formats::OpenHints{twice(w), twice(h)};
}

// The colour conversion, or nothing when there is no profile, it is not wanted, or it cannot be
// used (then noted: the picture is drawn with its colours as stored).
std::optional<pictures::ColourTransform> TransformOf(const PictureJob& job,
                                                     const formats::StreamInfo& info,
                                                     std::int32_t i) {
  if (!job.rules.profile || info.iccProfile.empty()) return std::nullopt;
  const auto input = info.pixels == formats::Pixels::Bgra ? pictures::ColourInput::kBgra
                                                          : pictures::ColourInput::kBgr;
  auto transform = pictures::ColourTransform::FromIcc(info.iccProfile, input);
  if (transform) return std::move(*transform);
  if (job.notes) job.notes->Add(i - 1, transform.error() + "; drawn with its colours as stored");
  return std::nullopt;
}

// Cells up to this many bytes are finished when their source is opened, on the prefetch
// threads; larger ones are resampled as the bands reach them, holding a few rows.
constexpr std::uint64_t kWholeCellBytes = std::uint64_t{4} << 20;

// A stream's rows, colour-converted, through the resampler: the window's rows in stored
// orientation, one at a time. Rows below the window are never decoded.
class Pipeline {
 public:
  Pipeline(std::unique_ptr<formats::RowStream> stream,
           std::optional<pictures::ColourTransform> colour, pictures::Resampler resampler,
           int channels)
      : stream_(std::move(stream)),
        colour_(std::move(colour)),
        resampler_(std::move(resampler)),
        channels_(channels) {}

  eveda::Result<void, SourceError> Start() {
    const std::size_t rowBytes =
        std::size_t{stream_->Info().width} * static_cast<std::size_t>(channels_);
    if (!Allocate(row_, rowBytes) || (colour_ && !Allocate(converted_, rowBytes)))
      return Refused(DecodeError::OutOfMemory);
    return {};
  }

  const pictures::Resampler& Resampler() const { return resampler_; }

  // The next row of the window, OutputWidth() x channels bytes.
  eveda::Result<std::span<const std::uint8_t>, SourceError> Next() {
    for (;;) {
      if (auto out = resampler_.Pull()) return *out;
      if (resampler_.Done()) return Refused(DecodeError::Unreadable);
      EVEDA_TRY(read, stream_->Read(row_.data(), 0, 1));
      const std::uint8_t* pushed = row_.data();
      if (colour_) {
        colour_->ConvertRow(row_.data(), converted_.data(),
                            static_cast<int>(stream_->Info().width));
        pushed = converted_.data();
      }
      resampler_.Push(pushed);
      if (resampler_.Done()) stream_.reset();  // the rest of the file is not needed
    }
  }

  std::size_t BytesHeld() const {
    return (stream_ ? stream_->BytesHeld() : 0) + row_.capacity() + converted_.capacity() +
           resampler_.BytesHeld();
  }

 private:
  std::unique_ptr<formats::RowStream> stream_;
  std::optional<pictures::ColourTransform> colour_;
  pictures::Resampler resampler_;
  int channels_;
  std::vector<std::uint8_t> row_, converted_;
};

formats::Pixels PixelsOf(int channels) {
  return channels == 4 ? formats::Pixels::Bgra : formats::Pixels::Bgr;
}

// A large cell's rows, made as the bands reach them: orientations that keep the row order
// (as stored, mirrored left to right) only.
class PictureRows final : public bmp_loader::RowGenerator {
 public:
  PictureRows(Pipeline pipeline, int channels, bool mirrored, std::uint32_t background)
      : pipeline_(std::move(pipeline)),
        channels_(channels),
        mirrored_(mirrored),
        background_(background),
        width_(pipeline_.Resampler().OutputWidth()),
        info_(formats::TopDownBgr(width_, pipeline_.Resampler().OutputHeight())),
        stride_(static_cast<std::size_t>(bmp_format::RowStride(width_, 24))) {}

  const gdi::BITMAPINFO& Info() const { return info_; }

  eveda::Result<gdi::DibRows, DecodeError> Rows(std::int32_t first, std::int32_t count) override {
    if (first < next_) return eveda::Unexpected{DecodeError::Unreadable};  // asked for again
    if (!Allocate(rows_, stride_ * static_cast<std::size_t>(count)) ||
        !Allocate(mirror_, mirrored_ ? static_cast<std::size_t>(width_) * channels_ : 0))
      return eveda::Unexpected{DecodeError::OutOfMemory};
    for (; next_ < first + count; ++next_) {
      auto row = pipeline_.Next();
      if (!row) {
        words_ = row.error().detail;
        return eveda::Unexpected{row.error().reason};
      }
      const std::uint8_t* pixels = row->data();
      if (mirrored_) {
        pictures::OrientFrame(*row, width_, 1, channels_, 2, mirror_);
        pixels = mirror_.data();
      }
      if (next_ < first) continue;
      formats::BlendRow(pixels, PixelsOf(channels_), static_cast<std::uint32_t>(width_),
                        background_,
                        rows_.data() + stride_ * static_cast<std::size_t>(next_ - first));
    }
    return gdi::DibRows{&info_, rows_.data(), first, count};
  }

  std::size_t BytesHeld() const override {
    return pipeline_.BytesHeld() + rows_.capacity() + mirror_.capacity();
  }
  std::string FailureWords() const override { return words_; }

 private:
  Pipeline pipeline_;
  int channels_;
  bool mirrored_;
  std::uint32_t background_;
  std::int32_t width_;
  gdi::BITMAPINFO info_;
  std::size_t stride_;
  std::int32_t next_ = 0;
  std::vector<std::uint8_t> rows_, mirror_;
  std::string words_;
};

// A small cell finished now: every row resampled, turned, blended, in `own.decoded`.
eveda::Result<bmp_loader::RowSource, SourceError> FinishWhole(Pipeline& pipeline, int channels,
                                                              int turn, std::uint32_t background,
                                                              bmp_loader::RowBuffers& own) {
  const int storedW = pipeline.Resampler().OutputWidth();
  const int storedH = pipeline.Resampler().OutputHeight();
  const std::size_t rowBytes =
      static_cast<std::size_t>(storedW) * static_cast<std::size_t>(channels);
  std::vector<std::uint8_t> frame;
  if (!Allocate(frame, rowBytes * static_cast<std::size_t>(storedH)))
    return Refused(DecodeError::OutOfMemory);
  for (int y = 0; y < storedH; ++y) {
    EVEDA_TRY(row, pipeline.Next());
    std::copy(row->begin(), row->end(), frame.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
  }
  const pictures::Size shown = pictures::OrientedSize(storedW, storedH, turn);
  if (turn != 1) {
    std::vector<std::uint8_t> turned;
    if (!Allocate(turned, frame.size())) return Refused(DecodeError::OutOfMemory);
    pictures::OrientFrame(frame, storedW, storedH, channels, turn, turned);
    frame.swap(turned);
  }
  const std::uint64_t stride = bmp_format::RowStride(shown.width, 24);
  if (!Allocate(own.decoded, stride * static_cast<std::uint64_t>(shown.height)))
    return Refused(DecodeError::OutOfMemory);
  const std::size_t shownBytes = static_cast<std::size_t>(shown.width) * channels;
  for (int y = 0; y < shown.height; ++y)
    formats::BlendRow(frame.data() + shownBytes * static_cast<std::size_t>(y), PixelsOf(channels),
                      static_cast<std::uint32_t>(shown.width), background,
                      own.decoded.data() + stride * static_cast<std::size_t>(y));
  return bmp_loader::RowSource::Decoded(formats::TopDownBgr(shown.width, shown.height),
                                        own.decoded.data());
}

}  // namespace

bool CellsFinishedWhenOpened(const PictureJob& job) {
  const std::uint64_t cell =
      static_cast<std::uint64_t>(std::max(job.layout.BlockWidth, 1.0)) * job.layout.BlockHeight * 3;
  const double pitch = job.layout.BlockWidth + job.layout.Spacing;
  const std::uint64_t across =
      pitch > 0 ? std::max<std::uint64_t>(1, static_cast<std::uint64_t>(job.canvasWidth / pitch))
                : 1;
  return cell * across <= kWholeRowBytes;
}

void SourceNotes::Add(std::int32_t index, std::string note) {
  std::lock_guard lock(mutex_);
  notes_.push_back({index, std::move(note)});
}

std::vector<SourceNote> SourceNotes::Sorted() {
  std::lock_guard lock(mutex_);
  std::stable_sort(notes_.begin(), notes_.end(),
                   [](const SourceNote& a, const SourceNote& b) { return a.index < b.index; });
  return notes_;
}

Rect StoredRect(const Rect& r, std::int64_t width, std::int64_t height, int orientation) {
  switch (orientation) {
    case 2:
      return {width - r.x - r.cx, r.y, r.cx, r.cy};
    case 3:
      return {width - r.x - r.cx, height - r.y - r.cy, r.cx, r.cy};
    case 4:
      return {r.x, height - r.y - r.cy, r.cx, r.cy};
    case 5:
      return {r.y, r.x, r.cy, r.cx};
    case 6:
      return {r.y, width - r.x - r.cx, r.cy, r.cx};
    case 7:
      return {height - r.y - r.cy, width - r.x - r.cx, r.cy, r.cx};
    case 8:
      return {height - r.y - r.cy, r.x, r.cy, r.cx};
    default:
      return r;
  }
}

eveda::Result<bmp_loader::RowSource, SourceError> OpenPicture(const PictureJob& job,
                                                              const std::string& path,
                                                              std::int32_t i,
                                                              bmp_loader::RowBuffers& own) {
  const CellOrigin cell = CellOriginOf(job.layout, job.canvasWidth, i);
  EVEDA_TRY(probed, job.reader->Probe(path));
  const auto drawnAs = [&](std::uint32_t w, std::uint32_t h, int orientation) {
    const pictures::Size shown =
        pictures::OrientedSize(static_cast<int>(w), static_cast<int>(h), orientation);
    return ScaledRect(job.layout, cell, shown.width, shown.height);
  };
  const int probedTurn = job.rules.rotate ? probed->orientation : 1;
  std::unique_lock<std::mutex> oneFrame;
  if (probed->wholeFrame && job.wholeFrames != nullptr)
    oneFrame = std::unique_lock(*job.wholeFrames);
  EVEDA_TRY(opened,
            job.reader->OpenStream(
                path, HintsFor(drawnAs(probed->width, probed->height, probedTurn), probedTurn)));
  formats::RowStream& stream = **opened;
  const formats::StreamInfo& info = stream.Info();
  const int turn = !job.rules.rotate ? 1 : info.orientation != 1 ? info.orientation : probedTurn;
  const Rect drawn = drawnAs(info.storedWidth != 0 ? info.storedWidth : info.width,
                             info.storedHeight != 0 ? info.storedHeight : info.height, turn);
  const Rect visible = VisiblePart(job.layout, cell, drawn);
  if (visible.cx < 1 || visible.cy < 1 || drawn.cx > pictures::kMaxSide ||
      drawn.cy > pictures::kMaxSide)
    return Refused(DecodeError::TooLarge);
  const Rect window = StoredRect(visible, drawn.cx, drawn.cy, turn);
  const int channels = info.pixels == formats::Pixels::Bgra ? 4 : 3;
  const bool swaps = SwapsSides(turn);
  pictures::ResampleRequest request;
  request.sourceWidth = static_cast<int>(info.width);
  request.sourceHeight = static_cast<int>(info.height);
  request.targetWidth = static_cast<int>(swaps ? drawn.cy : drawn.cx);
  request.targetHeight = static_cast<int>(swaps ? drawn.cx : drawn.cy);
  request.filter = job.rules.filter;
  request.channels = channels;
  request.window = pictures::Window{static_cast<int>(window.x), static_cast<int>(window.y),
                                    static_cast<int>(window.x + window.cx),
                                    static_cast<int>(window.y + window.cy)};
  auto resampler = pictures::Resampler::Create(request);
  if (!resampler) return Refused(DecodeError::Unsupported, resampler.error());
  auto colour = TransformOf(job, info, i);
  // The rows a cover fit crops off the top are passed over, without their pixels where the
  // format can.
  const int unread = resampler->RowsUnread();
  if (unread > 0) {
    EVEDA_TRY(skipped, stream.Skip(static_cast<std::uint32_t>(unread)));
    resampler->PassOver(unread);
  }
  Pipeline pipeline(ReadAhead(std::move(*opened), static_cast<std::uint32_t>(unread)),
                    std::move(colour), std::move(*resampler), channels);
  EVEDA_TRY(started, pipeline.Start());
  const bool keepsRows = turn == 1 || turn == 2;
  if (!keepsRows || (static_cast<std::uint64_t>(visible.cx) * visible.cy * 3 <= kWholeCellBytes &&
                     CellsFinishedWhenOpened(job)))
    return FinishWhole(pipeline, channels, turn, job.background, own);
  auto rows =
      std::make_unique<PictureRows>(std::move(pipeline), channels, turn == 2, job.background);
  const gdi::BITMAPINFO bitmap = rows->Info();
  own.generator = std::move(rows);
  return bmp_loader::RowSource::Generated(bitmap, *own.generator);
}

}  // namespace join
