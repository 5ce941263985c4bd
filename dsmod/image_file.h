#pragma once
// The output file of a banded drawing pass: each finished band goes to the encoder on a thread
// of its own while the next band is drawn, and the file gets its name only once it is whole and
// on disk (see output_file.h). Dropped without Finish, it leaves nothing behind.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dsmod/band_sink.h"
#include "dsmod/dsmod.h"
#include "dsmod/file_system.h"
#include "formats/encoder.h"

namespace DSMod {

namespace detail {
class OutputFile;
class RowWriter;
}  // namespace detail

class ImageFile final : public BandSink {
 public:
  // Creates the unnamed file beside `FilePath`, through `fileSystem`, and the encoder on it (a
  // 24-bit BMP without a factory). A failure is kept for Finish to report, where a failed save
  // is always told. An encoder that `writesInOrder` writes to standard output directly, as it
  // draws, when that is the target.
  ImageFile(std::string FilePath, std::int32_t Width, std::int32_t Height,
            const formats::EncoderFactory& encoder = {},
            detail::FileSystem& fileSystem = detail::SystemFileSystem(),
            bool writesInOrder = false);
  ~ImageFile() override;
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  // Queues the next `rows` rows (top-down; see ImageEncoder::WriteRows). Waits first until the
  // band queued before has been written: with two band buffers, the caller may draw into the
  // other one meanwhile, and reuse this one after its next call.
  void WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride, std::int32_t rows) override;

  // Waits for the bands queued, lets the encoder finish, flushes the file (telling `progress`)
  // and puts it in place. Returns the path it was given, or SaveError::Kind::Stopped when
  // `progress` gave up: then the file is dropped as though Finish had never been called.
  eveda::Result<std::string, SaveError> Finish(const NextOutputName& nextName = {},
                                               const SaveProgress& progress = {}) override;

 private:
  SaveError WithStandardOutputsWords(SaveError error) const;

  std::string path_;
  std::optional<SaveError> error_;
  std::unique_ptr<detail::OutputFile> file_;
  std::unique_ptr<formats::ImageEncoder> encoder_;
  std::unique_ptr<detail::RowWriter> writer_;
};

}  // namespace DSMod
