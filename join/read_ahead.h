#pragma once
// A large source's rows decoded on a thread of their own, a block or two ahead of the reader,
// so that inflating or entropy-decoding one picture overlaps with what the reader does with its
// rows (colour, shrinking, drawing) instead of waiting for it. The rows, and the error where
// the stream fails, reach the reader exactly as the stream gives them.

#include <cstdint>
#include <memory>

#include "formats/row_stream.h"

namespace join {

// Decoded rows from which a stream is worth reading ahead: below this a picture decodes in
// less time than a thread's start and hand-overs cost.
inline constexpr std::uint64_t kReadAheadBytes = std::uint64_t{64} << 20;

// `stream` read ahead when its rows come to kReadAheadBytes or more; otherwise, or when no
// thread can be started, `stream` itself. `passed` of its rows were passed over already.
std::unique_ptr<formats::RowStream> ReadAhead(std::unique_ptr<formats::RowStream> stream,
                                              std::uint32_t passed = 0);

}  // namespace join
