// HEIF in the reader's table: drawn through its row stream.

#include "formats/heif/heif_decoder.h"
#include "formats/input_format.h"
#include "formats/stream_source.h"

namespace formats {

const InputFormat kHeifFormat =
    StreamedFormat<ProbeHeif, KeepingInput<OpenHeif>>("HEIF", SniffHeif);

}  // namespace formats
