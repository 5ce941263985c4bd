// GIF in the reader's table: drawn through its row stream.

#include "formats/gif/gif_decoder.h"
#include "formats/input_format.h"
#include "formats/stream_source.h"

namespace formats {

const InputFormat kGifFormat = StreamedFormat<ProbeGif, KeepingInput<OpenGif>>("GIF", SniffGif);

}  // namespace formats
