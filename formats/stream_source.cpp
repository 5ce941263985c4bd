#include "formats/stream_source.h"

#include <algorithm>

#include "formats/frame_stream.h"

namespace formats {
namespace {

std::unique_ptr<ByteInput> InputOf(const OpeningSource& source) {
  if (!source.file || source.head.size() == source.size)
    return std::make_unique<MemoryInput>(source.head);
  return std::make_unique<OpenFileInput>(*source.file);
}

class StreamWithInput final : public RowStream {
 public:
  StreamWithInput(std::unique_ptr<ByteInput> input, std::unique_ptr<RowStream> rows)
      : input_(std::move(input)), rows_(std::move(rows)) {}
  const StreamInfo& Info() const override { return rows_->Info(); }
  eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                        std::uint32_t count) override {
    return rows_->Read(out, stride, count);
  }
  std::size_t BytesHeld() const override { return rows_->BytesHeld(); }
  eveda::Result<void, SourceError> Skip(std::uint32_t count) override {
    return rows_->Skip(count);
  }

 private:
  std::unique_ptr<ByteInput> input_;  // first: it outlives the decoder reading it
  std::unique_ptr<RowStream> rows_;
};

}  // namespace

eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenKeepingInput(
    std::unique_ptr<ByteInput> input, const OpenHints& hints, BorrowingOpener open) {
  EVEDA_TRY(rows, open(*input, hints));
  return std::unique_ptr<RowStream>(new StreamWithInput(std::move(input), std::move(*rows)));
}

void BlendRow(const std::uint8_t* row, Pixels pixels, std::uint32_t width, Colour background,
              std::uint8_t* out) {
  if (pixels == Pixels::Bgr) {
    std::copy_n(row, std::size_t{width} * 3, out);
    return;
  }
  const int under[3] = {int(background >> 16 & 0xFF), int(background >> 8 & 0xFF),
                        int(background & 0xFF)};  // B, G, R
  for (std::uint32_t x = 0; x < width; ++x, row += 4, out += 3) {
    const int a = row[3];
    for (int c = 0; c < 3; ++c)
      out[c] = std::uint8_t((row[c] * a + under[c] * (255 - a) + 127) / 255);
  }
}

eveda::Result<void, SourceError> DecodeStreamWhole(RowStream& rows, Colour background,
                                                   DecodedImage& out) {
  const StreamInfo& info = rows.Info();
  const bool opaque = info.pixels == Pixels::Bgr;
  if (!ResizeBgr(out, info.width, info.height) ||
      (!opaque && !Resize(out.scratch, RowBytes(info.width, info.pixels))))
    return eveda::Unexpected{SourceError{bmp_loader::DecodeError::OutOfMemory, "out of memory"}};
  if (opaque)
    return rows.Read(out.pixels.data(), static_cast<std::ptrdiff_t>(out.stride), info.height);
  for (std::uint32_t y = 0; y < info.height; ++y) {
    EVEDA_TRY(read, rows.Read(out.scratch.data(), 0, 1));
    BlendRow(out.scratch.data(), info.pixels, info.width, background,
             out.pixels.data() + y * out.stride);
  }
  return {};
}

eveda::Result<bmp_loader::RowSource, SourceError> OpenStreamWhole(const OpeningSource& source,
                                                                  StreamOpener stream) {
  EVEDA_TRY(opened, stream(InputOf(source), {}));
  // Decoded into the source's own buffers, so that every source open at once keeps its
  // pixels and each buffer is reused by the sources after it.
  DecodedImage image;
  image.pixels.swap(source.own->decoded);
  image.scratch.swap(*source.scratch);
  const auto decoded = DecodeStreamWhole(**opened, source.background, image);
  source.own->decoded.swap(image.pixels);
  source.scratch->swap(image.scratch);
  if (!decoded) return eveda::Unexpected{decoded.error()};
  const StreamInfo& info = (*opened)->Info();
  return bmp_loader::RowSource::Decoded(TopDownBgr(info.width, info.height),
                                        source.own->decoded.data());
}

gdi::BITMAPINFO TopDownBgr(std::uint32_t width, std::uint32_t height) {
  gdi::BITMAPINFO bitmap{};
  bitmap.bmiHeader.biSize = sizeof(gdi::BITMAPINFOHEADER);
  bitmap.bmiHeader.biWidth = static_cast<gdi::LONG>(width);
  bitmap.bmiHeader.biHeight = -static_cast<gdi::LONG>(height);  // top-down
  bitmap.bmiHeader.biPlanes = 1;
  bitmap.bmiHeader.biBitCount = 24;
  bitmap.bmiHeader.biCompression = gdi::BI_RGB;
  return bitmap;
}

}  // namespace formats
