#pragma once
// PNG sources (libspng): every colour type and bit depth, palettes with tRNS, Adam7; 16-bit
// samples keep their high byte. Read as a stream of rows with straight alpha where the file has
// alpha or tRNS; the profile (iCCP) and the orientation (eXIf) are described, not applied, and
// gamma is ignored.
//
// Hostile input never crashes and never makes the decoder allocate beyond the limits: the
// declared size is checked against DecodeLimits and against what the file's length could
// possibly hold before the pixel memory is taken; truncated data and bad checksums are errors.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "formats/decoded_image.h"
#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

// Every PNG file starts with these bytes.
inline constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P',  'N',  'G',
                                                              '\r', '\n', 0x1A, '\n'};

// PNG's bound on either side, and on a chunk's length: 2^31 - 1.
inline constexpr std::uint32_t kPngMaxValue = 0x7FFFFFFF;

// Enough bytes to tell the format and read IHDR.
inline constexpr std::size_t kPngHeadBytes = 33;

bool SniffPng(std::span<const std::uint8_t> head);

// The IHDR size from the file's first kPngHeadBytes bytes; refuses what the decoder would
// refuse from IHDR alone (zero or over-2^31 sides, bad depth for the colour type, a bad CRC).
eveda::Result<ProbedImage, SourceError> ProbePng(std::span<const std::uint8_t> head);

// The orientation an eXIf chunk before the image data gives, 1 where there is none, and whether
// an iCCP chunk comes before it, into `probed`.
void ProbePngTags(const ByteInput& file, ProbedImage& probed);

// The rows read from `input` as they are asked for: a plain PNG holds only libspng's state,
// never the file or the frame; an interlaced one is decoded whole on the first read.
eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenPngStream(
    std::unique_ptr<ByteInput> input, const DecodeLimits& limits = {});

// The stream's rows blended over `background`.
eveda::Result<void, SourceError> DecodePng(std::span<const std::uint8_t> file, Colour background,
                                           DecodedImage& out, const DecodeLimits& limits = {});

}  // namespace formats
