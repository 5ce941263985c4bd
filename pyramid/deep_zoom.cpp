#include "pyramid/deep_zoom.h"

#include <algorithm>
#include <cctype>

namespace pyramid {

std::string_view TileExtension(TileFormat format) {
  return format == TileFormat::Png ? "png" : "jpeg";
}

int TopLevelOf(std::int64_t width, std::int64_t height) {
  const std::int64_t longer = std::max(width, height);
  int level = 0;
  while ((std::int64_t{1} << level) < longer) ++level;
  return level;
}

std::int64_t LevelSide(std::int64_t side, int top, int level) {
  for (int l = top; l > level; --l) side = (side + 1) / 2;
  return side;
}

Span TileSpan(std::int64_t index, std::int64_t side, const DeepZoomOptions& options) {
  const std::int64_t size = options.tileSize;
  return {std::max<std::int64_t>(0, index * size - (index > 0 ? options.overlap : 0)),
          std::min(side, (index + 1) * size + options.overlap)};
}

std::int64_t TileCount(std::int64_t side, const DeepZoomOptions& options) {
  return (side + options.tileSize - 1) / options.tileSize;
}

std::string DescriptorText(std::int64_t width, std::int64_t height,
                           const DeepZoomOptions& options) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<Image xmlns=\"http://schemas.microsoft.com/deepzoom/2008\"\n"
         "  Format=\"" +
         std::string(TileExtension(options.format)) + "\"\n  Overlap=\"" +
         std::to_string(options.overlap) + "\"\n  TileSize=\"" + std::to_string(options.tileSize) +
         "\"\n  >\n  <Size\n    Height=\"" + std::to_string(height) + "\"\n    Width=\"" +
         std::to_string(width) + "\"\n  />\n</Image>\n";
}

std::string TilesFolderOf(const std::string& descriptor) {
  return descriptor.substr(0, descriptor.size() - 4) + "_files";
}

bool IsDeepZoomPath(std::string_view path) {
  const std::string_view name = path.substr(path.find_last_of('/') + 1);
  if (name.size() <= 4) return false;
  std::string extension(name.substr(name.size() - 4));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".dzi";
}

}  // namespace pyramid
