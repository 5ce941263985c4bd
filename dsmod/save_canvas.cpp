// SaveCanvasBMP: the canvas as an uncompressed BMP file at its own depth.

#include "dsmod/canvas_file.h"
#include "dsmod/dsmod.h"

namespace DSMod {

// The pixels go to the file straight from the DIB section: a canvas of hundreds of megabytes
// is never copied first.
eveda::Result<void, SaveError> SaveCanvasBMP(Canvas& canvas, const std::string& FilePath) {
  EVEDA_TRY(written, CanvasFile(canvas, FilePath).Finish());
  return {};
}

}  // namespace DSMod
