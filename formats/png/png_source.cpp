// PNG in the reader's table.

#include "formats/input_format.h"
#include "formats/png/png.h"

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

}  // namespace

const InputFormat kPngFormat{"PNG", SniffPng, Probe, Open};

}  // namespace formats
