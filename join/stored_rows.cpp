#include "join/stored_rows.h"

#include <new>
#include <vector>

#include "formats/input_format.h"
#include "formats/stream_source.h"
#include "formats/whole_input.h"
#include "platform/bmp_format/bmp_format.h"
#include "platform/bmp_loader/source_file.h"

namespace join {
namespace {

using bmp_loader::DecodeError;

class StoredRows final : public bmp_loader::RowGenerator {
 public:
  StoredRows(std::vector<std::uint8_t> file, std::uint32_t background)
      : file_(std::move(file)), background_(background) {}

  // Opens the stream on the bytes held; false when the format is not to be drawn this way.
  bool Open(const formats::SourceReader& reader) {
    if (formats::kBmpFormat.sniff(file_)) return false;
    auto stream = reader.OpenStream(std::make_unique<formats::MemoryInput>(file_), {});
    if (!stream) return false;
    stream_ = std::move(*stream);
    info_ = formats::TopDownBgr(stream_->Info().width, stream_->Info().height);
    stride_ = static_cast<std::size_t>(bmp_format::RowStride(info_.bmiHeader.biWidth, 24));
    return true;
  }

  const gdi::BITMAPINFO& Info() const { return info_; }

  eveda::Result<gdi::DibRows, DecodeError> Rows(std::int32_t first, std::int32_t count) override {
    if (first < next_) return eveda::Unexpected{DecodeError::Unreadable};  // asked for again
    const formats::StreamInfo& info = stream_->Info();
    const std::size_t rowBytes =
        std::size_t{info.width} * (info.pixels == formats::Pixels::Bgra ? 4 : 3);
    try {
      rows_.resize(stride_ * static_cast<std::size_t>(count));
      row_.resize(rowBytes);
    } catch (const std::bad_alloc&) {
      return eveda::Unexpected{DecodeError::OutOfMemory};
    }
    for (; next_ < first + count; ++next_) {
      if (auto read = stream_->Read(row_.data(), 0, 1); !read) {
        words_ = read.error().detail;
        return eveda::Unexpected{read.error().reason};
      }
      if (next_ < first) continue;
      formats::BlendRow(row_.data(), info.pixels, info.width, background_,
                        rows_.data() + stride_ * static_cast<std::size_t>(next_ - first));
    }
    return gdi::DibRows{&info_, rows_.data(), first, count};
  }

  std::string FailureWords() const override { return words_; }

  std::size_t BytesHeld() const override {
    return file_.capacity() + stream_->BytesHeld() + rows_.capacity() + row_.capacity();
  }

 private:
  std::vector<std::uint8_t> file_;  // first: the stream reads it while it lives
  std::uint32_t background_;
  std::unique_ptr<formats::RowStream> stream_;
  gdi::BITMAPINFO info_{};
  std::size_t stride_ = 0;
  std::int32_t next_ = 0;
  std::vector<std::uint8_t> rows_, row_;
  std::string words_;
};

}  // namespace

std::optional<bmp_loader::RowSource> OpenStoredRows(const formats::SourceReader& reader,
                                                    const std::string& path,
                                                    std::uint32_t background,
                                                    bmp_loader::RowBuffers& own) {
  auto file = bmp_loader::SourceFile::Open(path.c_str());
  if (!file || file->size() > kStoredRowsFileBytes) return std::nullopt;
  auto bytes = formats::ReadWholeInput(formats::OpenFileInput(*file), kStoredRowsFileBytes);
  if (!bytes) return std::nullopt;
  auto rows = std::make_unique<StoredRows>(std::move(*bytes), background);
  if (!rows->Open(reader)) return std::nullopt;
  const gdi::BITMAPINFO info = rows->Info();
  own.generator = std::move(rows);
  return bmp_loader::RowSource::Generated(info, *own.generator);
}

}  // namespace join
