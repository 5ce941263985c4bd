#pragma once
// What the decoders that cannot stream share: the file's bytes read whole (bounded), and the
// size check every decoder makes before it takes pixel memory.

#include <cstdint>
#include <vector>

#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

// No picture we read is larger than this many bytes on disk: a decoder that needs the whole file
// in memory refuses a longer one rather than trying to hold it.
inline constexpr std::uint64_t kMaxWholeFileBytes = std::uint64_t{1} << 30;

// A compressed picture needs some bytes for every run of pixels: no codec we read describes more
// than this many pixels per byte of file in a picture anyone makes, so a 200-byte file asking for
// gigabytes is refused before a byte of pixel memory is taken. Pictures of up to kSmallPixels are
// always let through, so a tiny file of one colour still opens.
inline constexpr std::uint64_t kMaxPixelsPerFileByte = 4096;
inline constexpr std::uint64_t kSmallPixels = std::uint64_t{1} << 20;

// The file's bytes from offset 0 to its end; TooLarge beyond `limit`, OutOfMemory when no memory
// is left for them, Unreadable when the input ends early.
eveda::Result<std::vector<std::uint8_t>, SourceError> ReadWholeInput(
    const ByteInput& input, std::uint64_t limit = kMaxWholeFileBytes);

// BadDimensions for an empty side, TooLarge beyond bmp_loader::kMaxPixels or beyond what
// `fileBytes` of compressed data can plausibly hold.
eveda::Result<void, SourceError> CheckDeclaredSize(std::uint64_t width, std::uint64_t height,
                                                   std::uint64_t fileBytes);

// The first bytes of the input, fewer where it is shorter.
eveda::Result<std::vector<std::uint8_t>, SourceError> ReadHead(const ByteInput& input,
                                                               std::size_t count);

}  // namespace formats
