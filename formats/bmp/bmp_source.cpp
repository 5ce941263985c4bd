// BMP in the reader's table: the loader's own header plan and row source, so that every reader
// of a BMP, the window's included, decodes it the one way.

#include <algorithm>
#include <new>

#include "formats/input_format.h"
#include "formats/whole_input.h"
#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/gdi/dib_rows.h"

namespace formats {
namespace {

using bmp_loader::DecodeError;

bool Sniff(std::span<const std::uint8_t> head) {
  return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

// Sizes count only when the loader itself would accept the file: its header checks pass and,
// for uncompressed rows, the file is long enough for them.
eveda::Result<ProbedImage, SourceError> Probe(const ByteInput& file,
                                              std::span<const std::uint8_t> head) {
  if (file.Size() < 2 || !Sniff(head)) return eveda::Unexpected{SourceError{DecodeError::NotBmp}};
  if (file.Size() > bmp_loader::kMaxFileBytes)
    return eveda::Unexpected{SourceError{DecodeError::TooLarge}};
  const auto plan = bmp_loader::PlanDecode(head, file.Size());
  if (!plan) return eveda::Unexpected{SourceError{plan.error()}};
  return ProbedImage{static_cast<std::uint32_t>(plan->layout.width),
                     static_cast<std::uint32_t>(plan->layout.height)};
}

eveda::Result<bmp_loader::RowSource, SourceError> Open(const OpeningSource& source) {
  auto opened = source.file
                    ? bmp_loader::RowSource::FromFile(std::move(*source.file), source.head,
                                                      *source.own, *source.scratch)
                    : bmp_loader::RowSource::FromMemory(source.head, *source.own, *source.scratch);
  if (!opened) return eveda::Unexpected{SourceError{opened.error()}};
  return std::move(*opened);
}

// A BMP as a stream of B,G,R rows, converted as the window converts them when it copies a
// source into its 24-bit output (so alpha bytes are not alpha, as they are not there).
// Uncompressed rows are read from the file a few at a time, top row first, wherever the file
// keeps them; RLE streams and 2-bit rows are decoded whole, as the loader decodes them.
class BmpStream final : public RowStream {
 public:
  static eveda::Result<std::unique_ptr<RowStream>, SourceError> Open(
      std::unique_ptr<ByteInput> input, const OpenHints&) {
    auto stream = std::unique_ptr<BmpStream>(new BmpStream(std::move(input)));
    EVEDA_TRY(started, stream->Start());
    return std::unique_ptr<RowStream>(std::move(stream));
  }

  const StreamInfo& Info() const override { return info_; }
  std::size_t BytesHeld() const override {
    return own_.head.capacity() + own_.decoded.capacity() + rows_.capacity();
  }

  eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                        std::uint32_t count) override {
    if (count > info_.height - next_)
      return eveda::Unexpected{SourceError{DecodeError::Unreadable}};
    const auto first = static_cast<std::int32_t>(next_);
    EVEDA_TRY(rows, whole_ ? WholeRows() : FileRows(first, static_cast<std::int32_t>(count)));
    if (!gdi::DibRowsToBgr(*rows, first, static_cast<int>(count), out, stride))
      return eveda::Unexpected{SourceError{DecodeError::OutOfMemory}};
    next_ += count;
    return {};
  }

 private:
  explicit BmpStream(std::unique_ptr<ByteInput> input) : input_(std::move(input)) {}

  eveda::Result<void, SourceError> Start() {
    EVEDA_TRY(head, ReadHead(*input_, bmp_loader::kHeadBytes));
    EVEDA_TRY(probed, Probe(*input_, *head));
    const auto plan = bmp_loader::PlanDecode(*head, input_->Size());
    if (!plan) return eveda::Unexpected{SourceError{plan.error()}};
    plan_ = *plan;
    whole_ = plan_.encoding != bmp_loader::SourceEncoding::Rows ||
             plan_.sourceBitCount != plan_.layout.bitCount;
    if (whole_) {
      EVEDA_TRY(bytes, ReadWholeInput(*input_, bmp_loader::kMaxFileBytes));
      own_.head = std::move(*bytes);
      bmp_loader::ScratchBuffer scratch;
      auto source = bmp_loader::RowSource::FromMemory(own_.head, own_, scratch);
      if (!source) return eveda::Unexpected{SourceError{source.error()}};
      source_.emplace(std::move(*source));
    }
    bitmap_ = bmp_loader::BitmapInfoFor(plan_.layout);
    if (!whole_ && plan_.topDown) bitmap_.bmiHeader.biHeight = -plan_.layout.height;
    info_.width = info_.storedWidth = static_cast<std::uint32_t>(plan_.layout.width);
    info_.height = info_.storedHeight = static_cast<std::uint32_t>(plan_.layout.height);
    return {};
  }

  eveda::Result<gdi::DibRows, SourceError> WholeRows() {
    bmp_loader::ScratchBuffer scratch;
    auto rows = source_->Rows(0, source_->Height(), scratch);
    if (!rows) return eveda::Unexpected{SourceError{rows.error()}};
    return *rows;
  }

  // The file keeps the rows in the image's own order: one range of it holds them all. The last
  // row may lack its padding, and nothing else may be missing.
  eveda::Result<gdi::DibRows, SourceError> FileRows(std::int32_t first, std::int32_t count) {
    const std::size_t stride = plan_.layout.stride;
    const std::int64_t fileRow = plan_.topDown ? first : plan_.layout.height - first - count;
    const std::uint64_t offset = plan_.pixelOffset + static_cast<std::uint64_t>(fileRow) * stride;
    const std::size_t wanted = stride * static_cast<std::size_t>(count);
    const std::size_t available =
        std::min<std::uint64_t>(wanted, plan_.pixelOffset + plan_.pixelBytes - offset);
    try {
      rows_.assign(wanted, 0);
    } catch (const std::bad_alloc&) {
      return eveda::Unexpected{SourceError{DecodeError::OutOfMemory}};
    }
    EVEDA_TRY(got, input_->ReadAt(offset, std::span(rows_.data(), available)));
    if (*got < available) return eveda::Unexpected{SourceError{DecodeError::TruncatedPixels}};
    return gdi::DibRows{&bitmap_, rows_.data(), first, count};
  }

  std::unique_ptr<ByteInput> input_;
  bmp_loader::DecodePlan plan_;
  bool whole_ = false;
  bmp_loader::RowBuffers own_;
  std::optional<bmp_loader::RowSource> source_;  // decoded whole
  gdi::BITMAPINFO bitmap_{};
  std::vector<std::uint8_t> rows_;
  StreamInfo info_;
  std::uint32_t next_ = 0;
};

}  // namespace

const InputFormat kBmpFormat{"BMP", Sniff, Probe, Open, BmpStream::Open};

}  // namespace formats
