// The reader of every format eveda-batch offers.

#include <array>

#include "formats/input_format.h"
#include "formats/source_reader.h"

namespace formats {
namespace {

// Tried in order: a file none of the others knows is the BMP loader's to judge.
constexpr std::array<const InputFormat*, 7> kEveryFormat = {
    &kPngFormat, &kJpegFormat, &kWebpFormat, &kTiffFormat, &kGifFormat, &kHeifFormat, &kBmpFormat};

}  // namespace

const SourceReader& SourceReader::EveryFormat() {
  static const SourceReader reader(kEveryFormat);
  return reader;
}

}  // namespace formats
