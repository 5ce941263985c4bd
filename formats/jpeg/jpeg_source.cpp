// JPEG in the reader's table.

#include "formats/input_format.h"
#include "formats/jpeg/jpeg.h"
#include "formats/stream_source.h"

namespace formats {
namespace {

eveda::Result<ProbedImage, SourceError> Probe(const ByteInput& file,
                                              std::span<const std::uint8_t>) {
  return ProbeJpeg(file);
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> Stream(std::unique_ptr<ByteInput> input,
                                                              const OpenHints& hints) {
  return OpenJpegStream(std::move(input), hints);
}

eveda::Result<bmp_loader::RowSource, SourceError> Open(const OpeningSource& source) {
  return OpenStreamWhole(source, Stream);
}

}  // namespace

const InputFormat kJpegFormat{"JPEG", SniffJpeg, Probe, Open, Stream};

}  // namespace formats
