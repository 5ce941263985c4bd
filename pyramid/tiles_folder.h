#pragma once
// The folder of a pyramid's tiles, written as safely as a single output file: the tiles go
// into a hidden `.NAME_files.XXXXXX` beside the target, locked while it is written; only when
// every tile is on disk does it take the name NAME_files, exchanged in one step with an
// earlier pyramid's folder, and then the descriptor is put in place. A run that stops or
// fails before that leaves the earlier pyramid as it was. A hidden folder whose lock is free
// was left by a killed run and is removed by the next run writing that pyramid.
//
// NAME_files is replaced only when it is a pyramid of ours: NAME.dzi beside it is a Deep Zoom
// descriptor, and it holds nothing but numbered level folders of C_R tiles.

#include <optional>
#include <string>

#include "dsmod/dsmod.h"
#include "dsmod/file_system.h"
#include "platform/result.h"

namespace pyramid {

// Why the tiles folder of `descriptor` may not be replaced, or nothing (also when there is
// none yet).
std::optional<std::string> TilesFolderProblem(const std::string& descriptor);

class TilesFolder {
 public:
  // Makes the hidden folder beside `descriptor`'s target, removing what killed runs left.
  static eveda::Result<TilesFolder, DSMod::SaveError> Create(const std::string& descriptor);
  TilesFolder(TilesFolder&& other) noexcept;
  TilesFolder& operator=(TilesFolder&&) = delete;
  TilesFolder(const TilesFolder&) = delete;
  TilesFolder& operator=(const TilesFolder&) = delete;
  // Removes the folder and everything in it unless it was put in place.
  ~TilesFolder();

  const std::string& path() const { return path_; }

  // Puts the tiles and then the descriptor's text in place, replacing an earlier pyramid of
  // ours; returns the descriptor's path. On failure the earlier pyramid is left as it was.
  eveda::Result<std::string, DSMod::SaveError> PutInPlace(const std::string& descriptorText,
                                                          DSMod::detail::FileSystem& fileSystem);

 private:
  TilesFolder(std::string descriptor, std::string path, int lock)
      : descriptor_(std::move(descriptor)), path_(std::move(path)), lock_(lock) {}

  std::string descriptor_;  // resolved through its links
  std::string path_;        // empty once in place
  int lock_ = -1;
};

}  // namespace pyramid
