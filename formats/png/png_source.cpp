// PNG in the reader's table.

#include <algorithm>

#include "formats/frame_stream.h"
#include "formats/input_format.h"
#include "formats/png/png.h"
#include "formats/whole_input.h"

namespace formats {
namespace {

eveda::Result<ProbedImage, SourceError> Probe(const ByteInput&,
                                              std::span<const std::uint8_t> head) {
  return ProbePng(head);
}

eveda::Result<void, SourceError> Decode(std::span<const std::uint8_t> file, Colour background,
                                        DecodedImage& out) {
  return DecodePng(file, background, out);
}

eveda::Result<bmp_loader::RowSource, SourceError> Open(const OpeningSource& source) {
  return OpenDecodedWhole(source, Decode);
}

// Until the decoder streams: the picture decoded whole and handed out row by row.
eveda::Result<std::unique_ptr<RowStream>, SourceError> Stream(std::unique_ptr<ByteInput> input,
                                                              const OpenHints&) {
  EVEDA_TRY(file, ReadWholeInput(*input));
  DecodedImage image;
  if (auto decoded = DecodePng(*file, 0, image); !decoded)
    return eveda::Unexpected{decoded.error()};
  StreamInfo info;
  info.width = info.storedWidth = image.width;
  info.height = info.storedHeight = image.height;
  EVEDA_TRY(frame, AllocateFrame(info));
  for (std::uint32_t y = 0; y < image.height; ++y)
    std::copy_n(image.Row(y), RowBytes(image.width, Pixels::Bgr),
                frame->data() + y * RowBytes(image.width, Pixels::Bgr));
  return std::unique_ptr<RowStream>(new FrameStream(std::move(info), std::move(*frame)));
}

}  // namespace

const InputFormat kPngFormat{"PNG", SniffPng, Probe, Open, Stream};

}  // namespace formats
