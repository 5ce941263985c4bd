#pragma once
// TIFF output through libtiff: 8-bit RGB in strips, each strip compressed and written as soon as
// its rows are drawn. BigTIFF where the file could pass 4 GiB, classic TIFF otherwise. libtiff
// goes back to patch the directory, so the descriptor must take positioned writes (a regular
// file, not a pipe).

#include <cstdint>
#include <optional>
#include <string_view>

#include "formats/encoder.h"

namespace formats {

enum class TiffCompression { None, Lzw, Deflate, Jpeg };

// "none", "lzw", "deflate" or "jpeg"; nothing for any other word.
std::optional<TiffCompression> ParseTiffCompression(std::string_view word);

struct TiffOptions {
  TiffCompression compression = TiffCompression::Deflate;
  int jpegQuality = 90;  // for TiffCompression::Jpeg
};

// Whether an image of this size is written as BigTIFF: its strips, uncompressed or grown by a
// compressor that could not shrink them, might not fit below 4 GiB.
bool TiffNeedsBigTiff(std::uint32_t width, std::uint32_t height);

EncoderFactory MakeTiffEncoderFactory(TiffOptions options);

}  // namespace formats
