#pragma once
// PNG row filtering: the filter type byte and the filtered row.

#include <cstdint>

namespace formats {

// Writes 1 + rowBytes bytes to `out` for an 8-bit RGB row. `above` is the row over it, or null
// for the first row. When `adaptive`, picks the filter whose output has the smallest sum of
// absolute values (a cheap guess at what deflate packs smallest); otherwise filter None.
void FilterRow(const std::uint8_t* above, const std::uint8_t* row, std::uint64_t rowBytes,
               bool adaptive, std::uint8_t* out);

}  // namespace formats
