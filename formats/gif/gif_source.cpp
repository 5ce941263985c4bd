// GIF in the reader's table: drawn through its row stream.

#include "formats/gif/gif_decoder.h"
#include "formats/input_format.h"
#include "formats/stream_source.h"

namespace formats {
namespace {

eveda::Result<ProbedImage, SourceError> Probe(const ByteInput& input,
                                              std::span<const std::uint8_t>) {
  return ProbeGif(input);
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> Stream(std::unique_ptr<ByteInput> input,
                                                              const OpenHints& hints) {
  return OpenKeepingInput(std::move(input), hints, OpenGif);
}

eveda::Result<bmp_loader::RowSource, SourceError> Open(const OpeningSource& source) {
  return OpenStreamWhole(source, Stream);
}

}  // namespace

const InputFormat kGifFormat{"GIF", SniffGif, Probe, Open, Stream};

}  // namespace formats
