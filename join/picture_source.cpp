#include "join/picture_source.h"

#include <algorithm>
#include <new>
#include <optional>

#include "formats/stream_source.h"
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

// Reads the stream into the resampler a row at a time and keeps what it gives: the window's
// rows, packed, in stored orientation. Rows below the window are never decoded.
eveda::Result<void, SourceError> Resample(formats::RowStream& stream,
                                          const std::optional<pictures::ColourTransform>& colour,
                                          pictures::Resampler& resampler, int channels,
                                          std::vector<std::uint8_t>& frame) {
  const formats::StreamInfo& info = stream.Info();
  const std::size_t rowBytes = std::size_t{info.width} * static_cast<std::size_t>(channels);
  const std::size_t outBytes =
      static_cast<std::size_t>(resampler.OutputWidth()) * static_cast<std::size_t>(channels);
  std::vector<std::uint8_t> row, converted;
  if (!Allocate(row, rowBytes) || (colour && !Allocate(converted, rowBytes)) ||
      !Allocate(frame,
                std::uint64_t{outBytes} * static_cast<std::uint64_t>(resampler.OutputHeight())))
    return Refused(DecodeError::OutOfMemory);
  std::size_t produced = 0;
  while (!resampler.Done()) {
    if (auto out = resampler.Pull()) {
      std::copy(out->begin(), out->end(), frame.begin() + static_cast<std::ptrdiff_t>(produced));
      produced += outBytes;
      continue;
    }
    EVEDA_TRY(read, stream.Read(row.data(), 0, 1));
    const std::uint8_t* pushed = row.data();
    if (colour) {
      colour->ConvertRow(row.data(), converted.data(), static_cast<int>(info.width));
      pushed = converted.data();
    }
    resampler.Push(pushed);
  }
  return {};
}

// The finished pixels blended over the background, as 24-bit top-down rows in `own.decoded`.
eveda::Result<bmp_loader::RowSource, SourceError> Finish(const std::vector<std::uint8_t>& shown,
                                                         std::int32_t width, std::int32_t height,
                                                         int channels, std::uint32_t background,
                                                         bmp_loader::RowBuffers& own) {
  const std::uint64_t stride = bmp_format::RowStride(width, 24);
  if (!Allocate(own.decoded, stride * static_cast<std::uint64_t>(height)))
    return Refused(DecodeError::OutOfMemory);
  const auto pixels = channels == 4 ? formats::Pixels::Bgra : formats::Pixels::Bgr;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  for (std::int32_t y = 0; y < height; ++y)
    formats::BlendRow(shown.data() + static_cast<std::size_t>(y) * rowBytes, pixels,
                      static_cast<std::uint32_t>(width), background,
                      own.decoded.data() + static_cast<std::size_t>(y) * stride);
  gdi::BITMAPINFO bitmap{};
  bitmap.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
  bitmap.bmiHeader.biWidth = width;
  bitmap.bmiHeader.biHeight = -height;  // top-down
  bitmap.bmiHeader.biPlanes = 1;
  bitmap.bmiHeader.biBitCount = 24;
  bitmap.bmiHeader.biCompression = gdi::BI_RGB;
  return bmp_loader::RowSource::Decoded(bitmap, own.decoded.data());
}

}  // namespace

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
    return DrawnRect(job.layout, cell, shown.width, shown.height);
  };
  const int probedTurn = job.rules.rotate ? probed->orientation : 1;
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
  const auto colour = TransformOf(job, info, i);
  std::vector<std::uint8_t> frame;
  EVEDA_TRY(read, Resample(stream, colour, *resampler, channels, frame));
  opened->reset();  // the file and the decoder's state go before the cell's pixels are made
  const auto width = static_cast<std::int32_t>(visible.cx);
  const auto height = static_cast<std::int32_t>(visible.cy);
  if (turn == 1) return Finish(frame, width, height, channels, job.background, own);
  std::vector<std::uint8_t> shown;
  if (!Allocate(shown, frame.size())) return Refused(DecodeError::OutOfMemory);
  pictures::OrientFrame(frame, static_cast<int>(window.cx), static_cast<int>(window.cy), channels,
                        turn, shown);
  frame = {};
  return Finish(shown, width, height, channels, job.background, own);
}

}  // namespace join
