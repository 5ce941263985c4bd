#pragma once
// A source shown as stored (no turn, no profile, drawn 1:1), its rows decoded as the bands reach
// them and blended over the background: the rows its format's own opening would decode whole
// when the source is opened, for grids whose rows of cells are too many to hold decoded at
// once. The file is read into memory first, so that no descriptor stays open while its cell is
// drawn; a source that fails part way keeps the rows drawn before, as a large cell does.

#include <cstdint>
#include <optional>
#include <string>

#include "formats/source_reader.h"
#include "platform/bmp_loader/row_source.h"

namespace join {

// Files up to this long are read into memory to be decoded as drawn.
inline constexpr std::uint64_t kStoredRowsFileBytes = std::uint64_t{1} << 20;

// The source's rows as drawn; nothing when it is to be opened the usual way: a BMP (whose rows
// are read from the file as drawn already), a longer file, or one that does not open (the usual
// way then names the reason).
std::optional<bmp_loader::RowSource> OpenStoredRows(const formats::SourceReader& reader,
                                                    const std::string& path,
                                                    std::uint32_t background,
                                                    bmp_loader::RowBuffers& own);

}  // namespace join
