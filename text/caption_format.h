#pragma once
// The caption under each cell, written by the user as a format with % escapes:
//   %f  the file name            %F  the path as given        %b  the name without extension
//   %e  the extension (no dot)   %n  the cell number, from 1  %N  the number of cells
//   %w  the source's width       %h  the source's height      %%  a percent sign
// Any other escape, and a % at the end, is kept as written: a caption is never refused.
// Bytes that are not UTF-8, in the format or in the path, show as U+FFFD.

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

struct CaptionFields {
  std::string_view path;  // as the user gave it or the listing found it
  std::int64_t cellNumber = 0;
  std::int64_t cellCount = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
};

std::string ExpandCaption(std::string_view format, const CaptionFields& fields);

}  // namespace text
