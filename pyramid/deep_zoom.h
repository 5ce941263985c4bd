#pragma once
// The Deep Zoom layout, as OpenSeadragon and libvips read and write it: NAME.dzi describes the
// image, NAME_files/L/C_R.EXT holds its tiles. Level L is the image halved (rounding up)
// until its longer side fits 2^L pixels, from the full size at the top level down to 1 x 1
// at level 0. A tile covers tileSize x tileSize pixels of its level and `overlap` more on
// each side that has a neighbour.

#include <cstdint>
#include <string>
#include <string_view>

namespace pyramid {

enum class TileFormat { Jpeg, Png };

struct DeepZoomOptions {
  std::int32_t tileSize = 254;
  std::int32_t overlap = 1;
  TileFormat format = TileFormat::Jpeg;
  int quality = 90;  // JPEG tiles, 1 to 100
  int pngLevel = 6;  // PNG tiles, zlib's 0 to 9
};

inline constexpr std::int32_t kMaxTileSize = 8192;

// The tiles' extension, without its dot, as the descriptor names it.
std::string_view TileExtension(TileFormat format);

// The top level's number: ceil(log2(longer side)), 0 for a 1 x 1 image.
int TopLevelOf(std::int64_t width, std::int64_t height);

// A side of level `level` of an image whose side is `side` at the top level `top`.
std::int64_t LevelSide(std::int64_t side, int top, int level);

// The first pixel of tile `index` along a side, and one past its last, on a side of `side`.
struct Span {
  std::int64_t begin = 0;
  std::int64_t end = 0;
};
Span TileSpan(std::int64_t index, std::int64_t side, const DeepZoomOptions& options);
std::int64_t TileCount(std::int64_t side, const DeepZoomOptions& options);

// The descriptor's XML text for a width x height image.
std::string DescriptorText(std::int64_t width, std::int64_t height, const DeepZoomOptions& options);

// "PATH_files" for "PATH.dzi": the folder of the tiles beside the descriptor.
std::string TilesFolderOf(const std::string& descriptor);

// True for a path whose extension is .dzi, in any case.
bool IsDeepZoomPath(std::string_view path);

}  // namespace pyramid
