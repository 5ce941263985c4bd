#pragma once
// A Deep Zoom pyramid written as the drawing pass finishes its bands, on a thread of its own
// (the caller draws the next band meanwhile). Each row pair of a level is averaged into one row
// of the level below as it arrives. JPEG tiles are encoded as their rows arrive, each into
// memory, and written once their last row is in, so a level holds compressed tiles only; PNG
// tiles are cut from a strip of the rows their tile row needs (tileSize + 2 x overlap rows),
// encoded on the workers and by the feeding thread before it goes on: about two such strips of
// the top level in all. Either way, whatever the height and however many sources there are.
//
// The averaging: each pixel of a lower level is (sum + n / 2) / n of the n pixels of its 2 x 2
// square in the level above that exist (4 inside, 2 on an odd last row or column, 1 at an odd
// corner), per channel.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dsmod/band_sink.h"
#include "dsmod/file_system.h"
#include "pyramid/deep_zoom.h"

namespace DSMod::detail {
class RowWriter;
}
namespace workers {
class Helper;
}

namespace pyramid {

class TilesFolder;
class TileEncoders;
struct StreamedTileRow;

class PyramidWriter final : public DSMod::BandSink {
 public:
  // Makes the hidden tiles folder beside `descriptor`; a failure is kept for Finish to tell.
  PyramidWriter(std::string descriptor, std::int32_t width, std::int32_t height,
                const DeepZoomOptions& options,
                DSMod::detail::FileSystem& fileSystem = DSMod::detail::SystemFileSystem());
  ~PyramidWriter() override;
  PyramidWriter(const PyramidWriter&) = delete;
  PyramidWriter& operator=(const PyramidWriter&) = delete;

  void WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride, std::int32_t rows) override;
  // Puts the tiles and the descriptor in place (see tiles_folder.h); no other name is tried.
  eveda::Result<std::string, DSMod::SaveError> Finish(
      const DSMod::NextOutputName& nextName = {},
      const DSMod::SaveProgress& progress = {}) override;

  struct Level;

 private:
  class LevelFeeder;
  void AddRow(std::size_t level, const std::uint8_t* row);
  // PNG tiles: cut from the strip once a tile row's rows are in.
  void WriteTileRow(Level& level);
  // JPEG tiles: each row goes to the encoders of the tile rows it belongs to.
  void StreamRow(Level& level, const std::uint8_t* row);
  void FeedBatch(Level& level);
  void OpenTileRow(Level& level);
  void CloseTileRow(Level& level, StreamedTileRow& open);
  // Where `row` of the level is held: a row of the tile row being filled.
  static std::uint8_t* RowOf(Level& level, std::int64_t row);

  std::string descriptor_;
  std::int32_t width_;
  std::int32_t height_;
  DeepZoomOptions options_;
  DSMod::detail::FileSystem* fileSystem_;
  std::optional<DSMod::SaveError> error_;
  std::unique_ptr<TilesFolder> folder_;
  std::unique_ptr<TileEncoders> encoders_;
  std::vector<Level> levels_;  // the top level last
  std::unique_ptr<workers::Helper> helper_;
  std::unique_ptr<LevelFeeder> feeder_;
  std::unique_ptr<DSMod::detail::RowWriter> writer_;  // last: its thread stops first
};

}  // namespace pyramid
