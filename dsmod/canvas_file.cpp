#include "dsmod/canvas_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "dsmod/background_writer.h"
#include "dsmod/bmp_headers.h"
#include "dsmod/canvas_layout.h"
#include "dsmod/output_file.h"

namespace DSMod {
namespace {

using eveda::Unexpected;

// The file states biSizeImage 0: the size follows from the other fields.
gdi::BITMAPINFOHEADER FileInfoHeader(const Canvas& canvas) {
  gdi::BITMAPINFOHEADER info{};
  info.biSize = sizeof(gdi::BITMAPINFOHEADER);
  info.biWidth = canvas.Width;
  info.biHeight = canvas.Height;
  info.biPlanes = 1;
  info.biBitCount = static_cast<gdi::WORD>(canvas.BitCount);
  info.biCompression = gdi::BI_RGB;
  return info;
}

// Entries the section does not report stay 0.
std::vector<gdi::RGBQUAD> ReadColourTable(const Canvas& canvas) {
  std::vector<gdi::RGBQUAD> colours(detail::ColourTableEntries(canvas.BitCount));
  if (!colours.empty())
    gdi::GetDIBColorTable(canvas.hDC, 0, static_cast<gdi::UINT>(colours.size()), colours.data());
  return colours;
}

std::size_t ImageBytes(const Canvas& canvas) {
  return static_cast<std::size_t>(canvas.Stride) * static_cast<std::size_t>(canvas.Height);
}

}  // namespace

// The size is refused before the pixels are looked at or a file is made.
eveda::Result<void, SaveError> CanvasFile::Writable() const {
  if (!gdi::IsDibDepth(canvas_.BitCount) || canvas_.Stride < 1 || canvas_.Height < 1)
    return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
  if (BmpFileBytes(canvas_.BitCount, canvas_.Width, canvas_.Height) > kMaxBmpFileBytes)
    return Unexpected{SaveError{SaveError::Kind::Overflow, {}}};
  if (detail::LivePixels(canvas_) == nullptr)
    return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
  return {};
}

CanvasFile::CanvasFile(const Canvas& canvas, std::string FilePath)
    : canvas_(canvas), path_(std::move(FilePath)) {
  offBits_ = detail::HeaderBytes(canvas.BitCount);
  if (auto ok = Writable(); !ok) {
    error_ = ok.error();
    return;
  }
  auto file = detail::OutputFile::Create(path_);
  if (!file) {
    error_ = file.error();
    return;
  }
  file_ = std::make_unique<detail::OutputFile>(std::move(*file));
}

CanvasFile::~CanvasFile() = default;

// Rows are stored bottom-up, so the top `rows` rows are the last bytes of the pixels.
std::uint64_t CanvasFile::RowOffset(std::int32_t rows) const {
  return static_cast<std::uint64_t>(canvas_.Height - rows) *
         static_cast<std::uint64_t>(canvas_.Stride);
}

void CanvasFile::RowsFinished(std::int32_t rows) {
  if (!file_ || error_) return;
  rows = std::min(rows, canvas_.Height);
  if (rows <= rowsQueued_) return;
  const std::uint64_t start = RowOffset(rows);
  const auto* pixels = static_cast<const std::uint8_t*>(canvas_.pBits);
  if (!writer_) writer_ = std::make_unique<detail::BackgroundWriter>(file_->fd());
  writer_->Write(
      offBits_ + start,
      std::span(pixels + start, static_cast<std::size_t>(RowOffset(rowsQueued_) - start)));
  rowsQueued_ = rows;
}

eveda::Result<std::string, SaveError> CanvasFile::Finish(const NextOutputName& nextName) {
  // The writer is stopped first: nothing may read the pixels once this returns.
  const int writeError = writer_ ? writer_->Wait() : 0;
  if (error_) return Unexpected{*error_};
  EVEDA_TRY(writable, Writable());  // released while drawing
  if (writeError != 0)
    return Unexpected{SaveError{SaveError::Kind::CannotWrite, std::strerror(writeError)}};
  detail::BitmapFileHeader header;
  header.bfOffBits = offBits_;
  header.bfSize = static_cast<std::uint32_t>(offBits_ + ImageBytes(canvas_));
  const std::vector<std::uint8_t> headers =
      detail::EncodeHeaders(header, FileInfoHeader(canvas_), ReadColourTable(canvas_));
  const auto* pixels = static_cast<const std::uint8_t*>(canvas_.pBits);
  const std::span<const std::uint8_t> rest(pixels,
                                           static_cast<std::size_t>(RowOffset(rowsQueued_)));
  int error = detail::WriteAt(file_->fd(), 0, headers);
  if (error == 0) error = detail::WriteAt(file_->fd(), offBits_, rest);
  if (error != 0) return Unexpected{SaveError{SaveError::Kind::CannotWrite, std::strerror(error)}};
  return file_->PutInPlace(path_, nextName);
}

}  // namespace DSMod
