#pragma once
// Where a banded drawing pass sends its finished rows: one image file, or the tiles of a
// zoomable pyramid. Nothing a sink writes has its final name before Finish; a sink dropped
// without Finish leaves nothing behind.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "dsmod/dsmod.h"
#include "platform/result.h"

namespace DSMod {

// Hears how far the save has come once the drawing is done: per cent of the file's bytes on
// disk, 0 to 100. Returns false to give the save up while the file has no name yet.
using SaveProgress = std::function<bool(int percent)>;

class BandSink {
 public:
  virtual ~BandSink() = default;
  // The next `rows` rows of the image, top-down; row k starts at topRow + k * stride. The
  // caller may reuse the rows' memory after its next call.
  virtual void WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride, std::int32_t rows) = 0;
  // After the last row: puts the output in place and returns the path it took, or why not
  // (SaveError::Kind::Stopped when `progress` gave up).
  virtual eveda::Result<std::string, SaveError> Finish(const NextOutputName& nextName,
                                                       const SaveProgress& progress) = 0;
};

}  // namespace DSMod
