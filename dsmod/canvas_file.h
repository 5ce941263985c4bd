#pragma once
// A canvas's BMP file, written while the canvas is still being drawn: rows that no later
// drawing can touch go to the file at once, and the save at the end has only the rest to
// write. The file appears whole or not at all (see output_file.h).

#include <array>
#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dsmod/dsmod.h"

namespace DSMod {

namespace detail {
class OutputFile;
class BackgroundWriter;
}  // namespace detail

class CanvasFile {
 public:
  // Checks the canvas and creates the unnamed file beside `FilePath`. A failure is kept for
  // Finish to report, so that it reaches the user where a failed save always has.
  CanvasFile(const Canvas& canvas, std::string FilePath);
  ~CanvasFile();
  CanvasFile(const CanvasFile&) = delete;
  CanvasFile& operator=(const CanvasFile&) = delete;

  // The image rows above `rows` (counted from the top) are final: they are written now, while
  // the drawing goes on, and must not change any more.
  void RowsFinished(std::int32_t rows);

  // Writes the headers and the rows not written yet, flushes the file and puts it in place.
  // Returns the path it was given.
  eveda::Result<std::string, SaveError> Finish(const NextOutputName& nextName = {});

 private:
  // Whether the canvas can be written: a file depth, a size the format allows, live pixels.
  eveda::Result<void, SaveError> Writable() const;
  std::uint64_t RowOffset(std::int32_t rows) const;

  const Canvas& canvas_;
  std::string path_;
  std::uint32_t offBits_ = 0;
  std::optional<SaveError> error_;
  std::unique_ptr<detail::OutputFile> file_;
  std::unique_ptr<detail::BackgroundWriter> writer_;
  std::int32_t rowsQueued_ = 0;
};

}  // namespace DSMod
