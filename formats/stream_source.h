#pragma once
// How a format whose library hands out rows as a stream gives the window's drawing its 24-bit
// rows: the stream read whole when the source is opened, blended over the background into the
// source's own buffer.

#include "formats/input_format.h"

namespace formats {

eveda::Result<bmp_loader::RowSource, SourceError> OpenStreamWhole(const OpeningSource& source,
                                                                  StreamOpener stream);

// Opens `input` with a decoder that reads from it for as long as its stream lives: the stream
// returned keeps the input.
using BorrowingOpener = eveda::Result<std::unique_ptr<RowStream>, SourceError> (*)(
    const ByteInput& input, const OpenHints& hints);
eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenKeepingInput(
    std::unique_ptr<ByteInput> input, const OpenHints& hints, BorrowingOpener open);

// The whole stream blended over `background` into `out`'s rows: the decoders' whole-picture
// entry, which the fuzzers and the tests call.
eveda::Result<void, SourceError> DecodeStreamWhole(RowStream& rows, Colour background,
                                                   DecodedImage& out);

// The table entry of a format drawn through its row stream: `probe` reads the size from the
// input, `stream` opens the rows, and the window's drawing reads the stream whole.
template <eveda::Result<ProbedImage, SourceError> (*probe)(const ByteInput&), StreamOpener stream>
constexpr InputFormat StreamedFormat(std::string_view name,
                                     bool (*sniff)(std::span<const std::uint8_t>)) {
  return {name, sniff,
          [](const ByteInput& input, std::span<const std::uint8_t>) { return probe(input); },
          [](const OpeningSource& source) { return OpenStreamWhole(source, stream); }, stream};
}

// The opener of a decoder that borrows its input, which its stream then keeps.
template <BorrowingOpener open>
eveda::Result<std::unique_ptr<RowStream>, SourceError> KeepingInput(
    std::unique_ptr<ByteInput> input, const OpenHints& hints) {
  return OpenKeepingInput(std::move(input), hints, open);
}

// The source file the reader opened, read through its descriptor while it lives.
class OpenFileInput : public ByteInput {
 public:
  explicit OpenFileInput(const bmp_loader::SourceFile& file) : file_(file) {}
  std::uint64_t Size() const override { return file_.size(); }
  eveda::Result<std::size_t, SourceError> ReadAt(std::uint64_t offset,
                                                 std::span<std::uint8_t> out) const override {
    auto got = file_.ReadAt(offset, out);
    if (!got) return eveda::Unexpected{SourceError{got.error()}};
    return *got;
  }

 private:
  const bmp_loader::SourceFile& file_;
};

// The header of a top-down 24-bit bitmap of this size: the rows a stream's source is drawn from.
gdi::BITMAPINFO TopDownBgr(std::uint32_t width, std::uint32_t height);

// A stream's B,G,R or B,G,R,A row blended over `background` into B,G,R.
void BlendRow(const std::uint8_t* row, Pixels pixels, std::uint32_t width, Colour background,
              std::uint8_t* out);

}  // namespace formats
