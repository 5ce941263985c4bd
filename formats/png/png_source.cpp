// PNG in the reader's table.

#include "formats/input_format.h"
#include "formats/png/png.h"
#include "formats/stream_source.h"

namespace formats {
namespace {

eveda::Result<ProbedImage, SourceError> Probe(const ByteInput& file,
                                              std::span<const std::uint8_t> head) {
  EVEDA_TRY(probed, ProbePng(head));
  ProbePngTags(file, *probed);
  return probed;
}

eveda::Result<std::unique_ptr<RowStream>, SourceError> Stream(std::unique_ptr<ByteInput> input,
                                                              const OpenHints&) {
  return OpenPngStream(std::move(input));
}

eveda::Result<bmp_loader::RowSource, SourceError> Open(const OpeningSource& source) {
  return OpenStreamWhole(source, Stream);
}

}  // namespace

const InputFormat kPngFormat{"PNG", SniffPng, Probe, Open, Stream};

}  // namespace formats
