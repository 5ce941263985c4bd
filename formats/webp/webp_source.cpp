// WebP in the reader's table: drawn through its row stream.

#include "formats/input_format.h"
#include "formats/stream_source.h"
#include "formats/webp/webp_decoder.h"

namespace formats {

const InputFormat kWebpFormat =
    StreamedFormat<ProbeWebp, KeepingInput<OpenWebp>>("WebP", SniffWebp);

}  // namespace formats
