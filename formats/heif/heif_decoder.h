#pragma once
// HEIF sources (HEIC, AVIF) through libheif: the primary image, with the rotations and mirrorings
// its own boxes ask for applied by libheif, as HEIF readers must. libheif reads the file through
// the ByteInput (only the boxes it needs) and decodes the whole picture on open; the stream holds
// libheif's decoded picture. An ICC profile is passed on. A file whose codec has no decoder here is
// Unreadable with libheif's words.

#include <cstdint>
#include <memory>
#include <span>

#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

bool SniffHeif(std::span<const std::uint8_t> head);  // an ftyp box naming a HEIF brand
eveda::Result<ProbedImage, SourceError> ProbeHeif(const ByteInput& input);
eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenHeif(const ByteInput& input,
                                                                const OpenHints& hints);

}  // namespace formats
