// TIFF in the reader's table: drawn through its row stream.

#include "formats/input_format.h"
#include "formats/stream_source.h"
#include "formats/tiff/tiff_decoder.h"

namespace formats {

const InputFormat kTiffFormat =
    StreamedFormat<ProbeTiff, KeepingInput<OpenTiff>>("TIFF", SniffTiff);

}  // namespace formats
