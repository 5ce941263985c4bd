#pragma once
// TIFF sources through libtiff, the first page: stripped or tiled; 1 to 16 bits a sample; grey,
// palette, RGB, RGBA (associated or unassociated alpha), CMYK, YCbCr; uncompressed, PackBits,
// LZW, Deflate or JPEG. libtiff's RGBA reader converts every kind; the stream holds one strip (or
// one row of tiles) at a time. The Orientation tag and the ICC profile are reported, not applied.

#include <cstdint>
#include <memory>
#include <span>

#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

bool SniffTiff(std::span<const std::uint8_t> head);  // "II*\0", "MM\0*", or their BigTIFF kin
eveda::Result<ProbedImage, SourceError> ProbeTiff(const ByteInput& input);
eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenTiff(const ByteInput& input,
                                                                const OpenHints& hints);

}  // namespace formats
