// SaveCanvasBMP: the canvas as an uncompressed BMP file at its own depth.

#include "dsmod/canvas_file.h"
#include "dsmod/dsmod.h"

namespace DSMod {

// The pixels go to the file straight from the DIB section: a canvas of hundreds of megabytes
// is never copied first.
eveda::Result<void, SaveError> SaveCanvasBMP(Canvas& canvas, const std::string& FilePath) {
  const auto written = CanvasFile(canvas, FilePath).Finish();
  if (!written) return eveda::Unexpected{written.error()};
  return {};
}

}  // namespace DSMod
