#pragma once
// The one EXIF tag the decoders need, read without an EXIF library: the formats stay free of
// the picture layer, and a damaged block simply leaves the picture as stored.

#include <cstdint>
#include <span>

#include "formats/row_stream.h"

namespace formats {

// The Orientation tag of the first directory of an EXIF block in its TIFF form (what a PNG's
// eXIf holds, and a JPEG's APP1 after "Exif\0\0"); 1 where the block is damaged or has none.
Orientation ExifOrientation(std::span<const std::uint8_t> tiff);

}  // namespace formats
