#include "formats/webp/webp_decoder.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "formats/frame_stream.h"
#include "formats/whole_input.h"

namespace formats {

namespace {

using bmp_loader::DecodeError;

// libwebp names its failures by code only.
SourceError ErrorOf(VP8StatusCode status) {
  switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
      return SourceError(DecodeError::OutOfMemory);
    case VP8_STATUS_NOT_ENOUGH_DATA:
      return SourceError(DecodeError::Unreadable, "the file ended early");
    case VP8_STATUS_UNSUPPORTED_FEATURE:
      return SourceError(DecodeError::Unreadable, "unsupported WebP feature");
    default:
      return SourceError(DecodeError::Unreadable, "damaged WebP data");
  }
}

// The part of the file to decode and where it lies on the canvas.
struct FirstFrame {
  WebPData bytes{};
  std::uint32_t canvasWidth = 0, canvasHeight = 0;
  std::uint32_t left = 0, top = 0, width = 0, height = 0;
  bool hasAlpha = false;
  std::vector<std::uint8_t> iccProfile;
};

struct DemuxDeleter {
  void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
using DemuxPtr = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

std::vector<std::uint8_t> IccProfileOf(const WebPDemuxer* demux) {
  std::vector<std::uint8_t> profile;
  WebPChunkIterator icc;
  if ((WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) &&
      WebPDemuxGetChunk(demux, "ICCP", 1, &icc)) {
    profile.assign(icc.chunk.bytes, icc.chunk.bytes + icc.chunk.size);
    WebPDemuxReleaseChunkIterator(&icc);
  }
  return profile;
}

eveda::Result<FirstFrame, SourceError> FindFirstFrame(std::span<const std::uint8_t> file,
                                                      DemuxPtr& demux) {
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(file.data(), file.size(), &features);
  if (status != VP8_STATUS_OK) return eveda::Unexpected(ErrorOf(status));
  FirstFrame frame;
  frame.bytes = {file.data(), file.size()};
  frame.canvasWidth = frame.width = static_cast<std::uint32_t>(features.width);
  frame.canvasHeight = frame.height = static_cast<std::uint32_t>(features.height);
  frame.hasAlpha = features.has_alpha;
  // The demuxer refuses a cut-off file, whose decoding then says why.
  demux.reset(WebPDemux(&frame.bytes));
  if (!demux && !features.has_animation) return frame;
  if (demux) frame.iccProfile = IccProfileOf(demux.get());
  if (!features.has_animation) return frame;
  WebPIterator it;
  if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &it)) {
    return eveda::Unexpected(SourceError(DecodeError::Unreadable, "damaged WebP animation"));
  }
  frame.bytes = it.fragment;
  frame.left = static_cast<std::uint32_t>(it.x_offset);
  frame.top = static_cast<std::uint32_t>(it.y_offset);
  frame.width = static_cast<std::uint32_t>(it.width);
  frame.height = static_cast<std::uint32_t>(it.height);
  frame.hasAlpha = it.has_alpha;
  WebPDemuxReleaseIterator(&it);
  if (frame.left + std::uint64_t{frame.width} > frame.canvasWidth ||
      frame.top + std::uint64_t{frame.height} > frame.canvasHeight) {
    return eveda::Unexpected(SourceError(DecodeError::Unreadable, "frame outside the canvas"));
  }
  return frame;
}

bool CoversCanvas(const FirstFrame& f) {
  return f.width == f.canvasWidth && f.height == f.canvasHeight;
}

// libwebp shrinks while it decodes: a still picture comes at the smallest size that keeps both
// sides at least the hint's (the caller scales the rest of the way), its proportions kept.
void ShrinkToHints(FirstFrame& frame, const OpenHints& hints) {
  if (!CoversCanvas(frame) || hints.minWidth == 0 || hints.minHeight == 0) return;
  const double scale =
      std::max(double(hints.minWidth) / frame.width, double(hints.minHeight) / frame.height);
  if (scale >= 1) return;
  frame.canvasWidth = frame.width =
      std::max<std::uint32_t>(hints.minWidth, std::uint32_t(std::ceil(frame.width * scale)));
  frame.canvasHeight = frame.height =
      std::max<std::uint32_t>(hints.minHeight, std::uint32_t(std::ceil(frame.height * scale)));
}

}  // namespace

bool SniffWebp(std::span<const std::uint8_t> head) {
  return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
         std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

eveda::Result<ProbedImage, SourceError> ProbeWebp(const ByteInput& input) {
  // The canvas size is in the first chunk's header: VP8X, VP8 or VP8L, all within 64 bytes.
  EVEDA_TRY(head, ReadHead(input, 64));
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(head->data(), head->size(), &features);
  if (status != VP8_STATUS_OK) return eveda::Unexpected(ErrorOf(status));
  ProbedImage probed;
  probed.width = static_cast<std::uint32_t>(features.width);
  probed.height = static_cast<std::uint32_t>(features.height);
  return probed;
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenWebp(const ByteInput& input,
                                                                const OpenHints& hints) {
  EVEDA_TRY(file, ReadWholeInput(input));
  DemuxPtr demux;
  EVEDA_TRY(frame, FindFirstFrame(*file, demux));
  EVEDA_TRY(sizeOk, CheckDeclaredSize(frame->canvasWidth, frame->canvasHeight, file->size()));

  StreamInfo info;
  info.storedWidth = frame->canvasWidth;
  info.storedHeight = frame->canvasHeight;
  info.iccProfile = std::move(frame->iccProfile);
  ShrinkToHints(*frame, hints);
  const bool shrunk = frame->width != info.storedWidth;
  info.width = frame->canvasWidth;
  info.height = frame->canvasHeight;
  info.pixels = frame->hasAlpha || !CoversCanvas(*frame) ? Pixels::Bgra : Pixels::Bgr;
  EVEDA_TRY(pixels, AllocateFrame(info));

  WebPDecoderConfig config;
  WebPInitDecoderConfig(&config);
  const std::size_t pixelBytes = info.pixels == Pixels::Bgra ? 4 : 3;
  const std::size_t stride = RowBytes(info.width, info.pixels);
  config.output.colorspace = info.pixels == Pixels::Bgra ? MODE_BGRA : MODE_BGR;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = pixels->data() + frame->top * stride + frame->left * pixelBytes;
  config.output.u.RGBA.stride = static_cast<int>(stride);
  config.output.u.RGBA.size = stride * (frame->height - 1) + frame->width * pixelBytes;
  config.options.use_scaling = shrunk;
  config.options.scaled_width = int(frame->width);
  config.options.scaled_height = int(frame->height);
  const VP8StatusCode status = WebPDecode(frame->bytes.bytes, frame->bytes.size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) return eveda::Unexpected(ErrorOf(status));
  return std::unique_ptr<RowStream>(new FrameStream(std::move(info), std::move(*pixels)));
}

}  // namespace formats
