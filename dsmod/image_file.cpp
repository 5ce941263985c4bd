#include "dsmod/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "dsmod/output_file.h"
#include "dsmod/row_writer.h"
#include "formats/bmp/bmp.h"

namespace DSMod {
namespace {

using eveda::Unexpected;

// The flush is done in steps of this many bytes, so that its progress can be told.
constexpr std::uint64_t kFlushStep = std::uint64_t{16} << 20;

// Puts the file's bytes on disk a step at a time; the fsync that follows has only the metadata
// left. Failures are left for that fsync to find. False when `progress` gave up.
bool FlushWithProgress(int fd, const SaveProgress& progress) {
  struct stat info {};
  if (!progress || ::fstat(fd, &info) != 0 || info.st_size <= 0) return true;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  for (std::uint64_t done = 0; done < size;) {
    const std::uint64_t step = std::min(kFlushStep, size - done);
    ::sync_file_range(
        fd, static_cast<off_t>(done), static_cast<off_t>(step),
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
    done += step;
    if (!progress(static_cast<int>(done * 100 / size))) return false;
  }
  return true;
}

}  // namespace

// An encoder writing to standard output itself meets a reader that went away as EPIPE; the
// words say which end failed, as the copy of a finished file says.
SaveError ImageFile::WithStandardOutputsWords(SaveError error) const {
  if (path_ == kStandardOutput && error.reason == std::strerror(EPIPE))
    error.reason = "standard output was closed";
  return error;
}

ImageFile::ImageFile(std::string FilePath, std::int32_t Width, std::int32_t Height,
                     const formats::EncoderFactory& encoder, detail::FileSystem& fileSystem,
                     bool writesInOrder)
    : path_(std::move(FilePath)) {
  // The size is refused before a file is made.
  if (!encoder) {
    const auto size = formats::BmpFileSizeOf(formats::kOutputBitCount, Width, Height);
    if (size == formats::BmpFileSize::NoSuchBitmap)
      error_ = SaveError{SaveError::Kind::NotACanvas, {}};
    if (size == formats::BmpFileSize::TooLarge) error_ = SaveError{SaveError::Kind::Overflow, {}};
    if (error_) return;
  }
  auto file = detail::OutputFile::Create(path_, fileSystem, writesInOrder);
  if (!file) {
    error_ = file.error();
    return;
  }
  file_ = std::make_unique<detail::OutputFile>(std::move(*file));
  auto made = encoder ? encoder(file_->fd(), Width, Height)
                      : formats::MakeBmpEncoder(file_->fd(), Width, Height);
  if (!made) {
    error_ = WithStandardOutputsWords(SaveError{SaveError::Kind::CannotWrite, made.error().reason});
    return;
  }
  encoder_ = std::move(*made);
  writer_ = std::make_unique<detail::RowWriter>(*encoder_);
}

// The writer stops before the encoder and the file go.
ImageFile::~ImageFile() { writer_.reset(); }

void ImageFile::WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride, std::int32_t rows) {
  if (writer_) writer_->Write(topRow, stride, rows);
}

eveda::Result<std::string, SaveError> ImageFile::Finish(const NextOutputName& nextName,
                                                        const SaveProgress& progress) {
  // The writer is stopped first: nothing may read the bands once this returns.
  const std::optional<SaveError> writeError = writer_ ? writer_->Wait() : std::nullopt;
  if (error_) return Unexpected{*error_};
  if (writeError) return Unexpected{WithStandardOutputsWords(*writeError)};
  if (auto encoded = encoder_->Finish(); !encoded)
    return Unexpected{
        WithStandardOutputsWords(SaveError{SaveError::Kind::CannotWrite, encoded.error().reason})};
  // A stop is honoured up to the last moment before the file takes its name, and not after.
  if (!FlushWithProgress(file_->fd(), progress)) {
    writer_.reset();
    encoder_.reset();
    file_.reset();
    return Unexpected{SaveError{SaveError::Kind::Stopped, {}}};
  }
  return file_->PutInPlace(path_, nextName);
}

}  // namespace DSMod
