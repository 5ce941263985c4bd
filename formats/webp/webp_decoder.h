#pragma once
// WebP sources through libwebp: lossy, lossless, with or without alpha; of an animation, the
// first frame placed on its canvas. libwebp decodes whole frames from bytes in memory, so the file
// is read whole (up to kMaxWholeFileBytes) and the frame decoded on open, a still picture shrunk
// while it decodes where the hints allow. The ICC profile is passed on.

#include <cstdint>
#include <memory>
#include <span>

#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

bool SniffWebp(std::span<const std::uint8_t> head);  // "RIFF" .... "WEBP"
eveda::Result<ProbedImage, SourceError> ProbeWebp(const ByteInput& input);
eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenWebp(const ByteInput& input,
                                                                const OpenHints& hints);

}  // namespace formats
