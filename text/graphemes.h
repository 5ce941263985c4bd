#pragma once
// Where a line may be cut: between user-perceived characters, so a letter never loses its
// accent and an emoji sequence never comes apart.

#include <cstddef>
#include <string_view>
#include <vector>

namespace text {

// Code-point offsets of every grapheme boundary, 0 and text.size() included.
std::vector<std::size_t> GraphemeBoundaries(std::u32string_view text);

}  // namespace text
