// JPEG in the reader's table.

#include "formats/input_format.h"
#include "formats/jpeg/jpeg.h"

namespace formats {
namespace {

eveda::Result<ProbedImage, SourceError> Probe(const ByteInput& file,
                                              std::span<const std::uint8_t>) {
  return ProbeJpeg(file);
}

eveda::Result<void, SourceError> Decode(std::span<const std::uint8_t> file, Colour,
                                        DecodedImage& out) {
  return DecodeJpeg(file, out);
}

eveda::Result<bmp_loader::RowSource, SourceError> Open(const OpeningSource& source) {
  return OpenDecodedWhole(source, Decode);
}

}  // namespace

const InputFormat kJpegFormat{"JPEG", SniffJpeg, Probe, Open};

}  // namespace formats
