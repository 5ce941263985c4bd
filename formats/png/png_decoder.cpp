#include "formats/png/png.h"

#include <spng.h>

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include "formats/exif_orientation.h"
#include "formats/frame_stream.h"
#include "formats/stream_source.h"

namespace formats {
namespace {

using Kind = bmp_loader::DecodeError;
using eveda::Result;
using eveda::Unexpected;

// Deflate cannot expand data by more than about 1032 to 1, so a file can only hold an image
// whose pixel bytes are below that multiple of its length. Checked before anything is
// allocated, it refuses a small file that claims a huge picture (a decompression bomb or a
// truncated file) without inflating a byte.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
// Ancillary chunks (text, profiles) are skipped, but their memory is bounded all the same.
constexpr std::size_t kMaxChunkBytes = std::size_t{1} << 24;
constexpr std::size_t kMaxChunkCache = std::size_t{1} << 26;
// What libspng keeps besides our row: the inflater's window and its two scanlines.
constexpr std::size_t kInflaterBytes = std::size_t{64} << 10;

struct ContextDeleter {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

Unexpected<SourceError> Fail(Kind kind, const char* words) {
  return Unexpected{SourceError{kind, words}};
}

std::uint64_t BitsPerPixel(const spng_ihdr& ihdr) {
  const int channels[] = {1, 0, 3, 1, 2, 0, 4};
  return std::uint64_t{ihdr.bit_depth} * channels[ihdr.color_type <= 6 ? ihdr.color_type : 1];
}

// libspng's R,G,B(,A) row into our B,G,R(,A), in place.
void SwapRedAndBlue(std::uint8_t* row, std::uint32_t width, std::size_t step) {
  for (std::uint32_t x = 0; x < width; ++x, row += step) std::swap(row[0], row[2]);
}

// The file read in order, as libspng asks for it; a short read marks the file as cut short.
struct Cursor {
  const ByteInput* input = nullptr;
  std::uint64_t offset = 0;
  bool cutShort = false;
  std::optional<SourceError> failed;
};

int ReadInput(spng_ctx*, void* user, void* out, std::size_t length) {
  auto& cursor = *static_cast<Cursor*>(user);
  const auto got = cursor.input->ReadAt(cursor.offset, {static_cast<std::uint8_t*>(out), length});
  if (!got) {
    cursor.failed = got.error();
    return SPNG_IO_ERROR;
  }
  cursor.offset += *got;
  if (*got == length) return 0;
  cursor.cutShort = true;
  return SPNG_IO_EOF;
}

class PngStream final : public RowStream {
 public:
  explicit PngStream(std::unique_ptr<ByteInput> input) : input_(std::move(input)) {
    cursor_.input = input_.get();
  }
  Result<void, SourceError> Start(const DecodeLimits& limits);
  const StreamInfo& Info() const override { return info_; }
  Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                 std::uint32_t count) override;
  std::size_t BytesHeld() const override {
    return frame_.capacity() + kInflaterBytes + 2 * scanlineBytes_;
  }

 private:
  Unexpected<SourceError> Failure(int code) const;
  Result<void, SourceError> ReadDescriptions();
  Result<void, SourceError> NextRow(std::uint8_t* out);
  Result<void, SourceError> Finish();

  std::unique_ptr<ByteInput> input_;
  Cursor cursor_;
  std::unique_ptr<spng_ctx, ContextDeleter> ctx_;
  StreamInfo info_;
  int format_ = SPNG_FMT_RGB8;
  int flags_ = 0;
  bool interlaced_ = false;
  std::size_t scanlineBytes_ = 0;
  std::vector<std::uint8_t> frame_;  // an interlaced picture, decoded whole
  std::uint32_t nextRow_ = 0;
  std::optional<SourceError> failed_;
};

// The first thing that went wrong, in the words closest to it: the file's own read error, its
// end, or libspng's.
Unexpected<SourceError> PngStream::Failure(int code) const {
  if (cursor_.failed) return Unexpected{*cursor_.failed};
  if (cursor_.cutShort || code == SPNG_IO_EOF) return Fail(Kind::Damaged, "the file is cut short");
  return Fail(code == SPNG_EMEM ? Kind::OutOfMemory : Kind::Damaged, spng_strerror(code));
}

Result<void, SourceError> PngStream::Start(const DecodeLimits& limits) {
  // The declared size is judged by our own limit before libspng judges it by its own.
  std::uint8_t head[kPngHeadBytes] = {};
  EVEDA_TRY(got, input_->ReadAt(0, head));
  EVEDA_TRY(declared, ProbePng(std::span(head, *got)));
  const std::uint64_t pixels = std::uint64_t{declared->width} * declared->height;
  if (pixels > limits.maxPixels)
    return Fail(Kind::TooLarge, "the image has more pixels than the limit");
  // Every compressed byte is already guarded by its chunk's CRC; the inflater's own checksum over
  // the inflated bytes would add an eighth to the time of a picture of a billion bytes.
  ctx_.reset(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
  if (!ctx_) return Fail(Kind::OutOfMemory, "out of memory");
  spng_set_image_limits(ctx_.get(), kPngMaxValue, kPngMaxValue);
  spng_set_chunk_limits(ctx_.get(), kMaxChunkBytes, kMaxChunkCache);
  if (int code = spng_set_png_stream(ctx_.get(), ReadInput, &cursor_)) return Failure(code);
  spng_ihdr ihdr{};
  if (int code = spng_get_ihdr(ctx_.get(), &ihdr)) return Failure(code);
  if (pixels * BitsPerPixel(ihdr) / 8 > kMaxDeflateRatio * input_->Size())
    return Fail(Kind::Damaged, "the file is too short for the image it declares");
  // Without an alpha channel or tRNS there is nothing to blend: three bytes a pixel will do.
  bool alpha = ihdr.color_type == 4 || ihdr.color_type == 6;
  if (!alpha) {
    spng_trns trns{};
    const int code = spng_get_trns(ctx_.get(), &trns);
    if (code != 0 && code != SPNG_ECHUNKAVAIL) return Failure(code);
    alpha = code == 0;
  }
  format_ = alpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
  flags_ = alpha ? SPNG_DECODE_TRNS : 0;
  interlaced_ = ihdr.interlace_method != 0;
  info_.width = info_.storedWidth = ihdr.width;
  info_.height = info_.storedHeight = ihdr.height;
  info_.pixels = alpha ? Pixels::Bgra : Pixels::Bgr;
  scanlineBytes_ =
      static_cast<std::size_t>((std::uint64_t{ihdr.width} * BitsPerPixel(ihdr) + 7) / 8);
  if (!interlaced_) {
    if (int code =
            spng_decode_image(ctx_.get(), nullptr, 0, format_, flags_ | SPNG_DECODE_PROGRESSIVE))
      return Failure(code);
  }
  return ReadDescriptions();
}

// The profile and the orientation, from the chunks before the image data. A damaged eXIf
// leaves the picture as stored.
Result<void, SourceError> PngStream::ReadDescriptions() {
  spng_iccp iccp{};
  if (int code = spng_get_iccp(ctx_.get(), &iccp); code == 0) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(iccp.profile);
    info_.iccProfile.assign(bytes, bytes + iccp.profile_len);
  } else if (code != SPNG_ECHUNKAVAIL) {
    return Failure(code);
  }
  spng_exif exif{};
  if (spng_get_exif(ctx_.get(), &exif) == 0)
    info_.orientation =
        ExifOrientation({reinterpret_cast<const std::uint8_t*>(exif.data), exif.length});
  return {};
}

Result<void, SourceError> PngStream::NextRow(std::uint8_t* out) {
  if (interlaced_ && frame_.empty()) {
    std::size_t bytes = 0;
    if (int code = spng_decoded_image_size(ctx_.get(), format_, &bytes)) return Failure(code);
    if (!Resize(frame_, bytes)) return Fail(Kind::OutOfMemory, "out of memory");
    if (int code = spng_decode_image(ctx_.get(), frame_.data(), bytes, format_, flags_))
      return Failure(code);
  }
  const std::size_t rowBytes = RowBytes(info_.width, info_.pixels);
  if (interlaced_) {
    std::copy_n(frame_.data() + nextRow_ * rowBytes, rowBytes, out);
  } else {
    const int code = spng_decode_row(ctx_.get(), out, rowBytes);
    if (code != 0 && code != SPNG_EOI) return Failure(code);
  }
  SwapRedAndBlue(out, info_.width, info_.pixels == Pixels::Bgra ? 4 : 3);
  return {};
}

// The chunks after the image data, up to IEND: a file cut anywhere in them, IEND's checksum
// included, is as damaged as one cut in its pixels, and so is a wrong checksum there.
Result<void, SourceError> PngStream::Finish() {
  if (int code = spng_decode_chunks(ctx_.get())) return Failure(code);
  if (cursor_.cutShort) return Failure(SPNG_IO_EOF);
  std::vector<std::uint8_t>().swap(frame_);
  return {};
}

Result<void, SourceError> PngStream::Read(std::uint8_t* out, std::ptrdiff_t stride,
                                          std::uint32_t count) {
  if (failed_) return Unexpected{*failed_};
  if (count > info_.height - nextRow_) return PastLastRow();
  for (std::uint32_t k = 0; k < count; ++k) {
    auto row = NextRow(out + k * stride);
    if (row && ++nextRow_ == info_.height) row = Finish();
    if (!row) {
      failed_ = row.error();  // libspng's state is spent: every later read says the same
      return row;
    }
  }
  return {};
}

}  // namespace

Result<std::unique_ptr<RowStream>, SourceError> OpenPngStream(std::unique_ptr<ByteInput> input,
                                                              const DecodeLimits& limits) {
  auto stream = std::make_unique<PngStream>(std::move(input));
  EVEDA_TRY(started, stream->Start(limits));
  return std::unique_ptr<RowStream>(std::move(stream));
}

Result<void, SourceError> DecodePng(std::span<const std::uint8_t> file, Colour background,
                                    DecodedImage& out, const DecodeLimits& limits) {
  EVEDA_TRY(stream, OpenPngStream(std::make_unique<MemoryInput>(file), limits));
  return DecodeStreamWhole(**stream, background, out);
}

}  // namespace formats
