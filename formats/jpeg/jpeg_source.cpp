// JPEG in the reader's table.

#include "formats/input_format.h"
#include "formats/jpeg/jpeg.h"
#include "formats/stream_source.h"

namespace formats {
namespace {

eveda::Result<std::unique_ptr<RowStream>, SourceError> Stream(std::unique_ptr<ByteInput> input,
                                                              const OpenHints& hints) {
  return OpenJpegStream(std::move(input), hints);
}

}  // namespace

const InputFormat kJpegFormat = StreamedFormat<ProbeJpeg, Stream>("JPEG", SniffJpeg);

}  // namespace formats
