#pragma once
// GIF sources through giflib: the first frame, de-interlaced, placed on the logical screen. The
// frame's transparent index, and the screen outside the frame, come out with alpha 0. The stream
// holds the frame's colour indices only and makes the screen's rows as they are read.

#include <cstdint>
#include <memory>
#include <span>

#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

bool SniffGif(std::span<const std::uint8_t> head);  // "GIF87a" or "GIF89a"
eveda::Result<ProbedImage, SourceError> ProbeGif(const ByteInput& input);
eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenGif(const ByteInput& input,
                                                               const OpenHints& hints);

}  // namespace formats
