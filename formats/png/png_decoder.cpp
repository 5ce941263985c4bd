#include "formats/png/png.h"

#include <spng.h>

#include <memory>
#include <new>

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

struct ContextDeleter {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

Unexpected<SourceError> SpngFailure(int code) {
  const Kind kind = code == SPNG_EMEM ? Kind::OutOfMemory : Kind::Damaged;
  return Unexpected{SourceError{kind, spng_strerror(code)}};
}

std::uint64_t BitsPerPixel(const spng_ihdr& ihdr) {
  const int channels[] = {1, 0, 3, 1, 2, 0, 4};
  return std::uint64_t{ihdr.bit_depth} * channels[ihdr.color_type <= 6 ? ihdr.color_type : 1];
}

// Opaque RGB rows into B,G,R rows of the output's stride.
void SwapRows(const std::uint8_t* rgb, DecodedImage& out) {
  for (std::uint32_t y = 0; y < out.height; ++y) {
    std::uint8_t* dst = out.pixels.data() + y * out.stride;
    const std::uint8_t* src = rgb + std::uint64_t{y} * out.width * 3;
    for (std::uint32_t x = 0; x < out.width; ++x, src += 3, dst += 3)
      dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
  }
}

// Blends straight RGBA over the background, rounding to nearest.
void CompositeRows(const std::uint8_t* rgba, Colour background, DecodedImage& out) {
  const unsigned bg[3] = {(background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF};
  for (std::uint32_t y = 0; y < out.height; ++y) {
    std::uint8_t* dst = out.pixels.data() + y * out.stride;
    const std::uint8_t* src = rgba + std::uint64_t{y} * out.width * 4;
    for (std::uint32_t x = 0; x < out.width; ++x, src += 4, dst += 3) {
      const unsigned a = src[3];
      if (a == 255) {
        dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
        continue;
      }
      for (int c = 0; c < 3; ++c)
        dst[c] = static_cast<std::uint8_t>((src[2 - c] * a + bg[c] * (255 - a) + 127) / 255);
    }
  }
}

}  // namespace

Result<void, SourceError> DecodePng(std::span<const std::uint8_t> file, Colour background,
                                    DecodedImage& out, const DecodeLimits& limits) {
  // The declared size is judged by our own limit before libspng judges it by its own.
  const auto declared = ProbePng(file);
  if (!declared) return Unexpected{declared.error()};
  if (std::uint64_t{declared->width} * declared->height > limits.maxPixels)
    return Unexpected{SourceError{Kind::TooLarge, "the image has more pixels than the limit"}};
  const std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
  if (!ctx) return Unexpected{SourceError{Kind::OutOfMemory, "out of memory"}};
  spng_set_image_limits(ctx.get(), kPngMaxValue, kPngMaxValue);
  spng_set_chunk_limits(ctx.get(), kMaxChunkBytes, kMaxChunkCache);
  if (int code = spng_set_png_buffer(ctx.get(), file.data(), file.size())) return SpngFailure(code);
  spng_ihdr ihdr{};
  if (int code = spng_get_ihdr(ctx.get(), &ihdr)) return SpngFailure(code);

  const std::uint64_t pixels = std::uint64_t{ihdr.width} * ihdr.height;
  if (pixels > limits.maxPixels)
    return Unexpected{SourceError{Kind::TooLarge, "the image has more pixels than the limit"}};
  if (pixels * BitsPerPixel(ihdr) / 8 > kMaxDeflateRatio * file.size())
    return Unexpected{
        SourceError{Kind::Damaged, "the file is too short for the image it declares"}};
  // Without an alpha channel or tRNS there is nothing to blend: three bytes a pixel will do.
  spng_trns trns{};
  const bool opaque = (ihdr.color_type == 0 || ihdr.color_type == 2 || ihdr.color_type == 3) &&
                      spng_get_trns(ctx.get(), &trns) != 0;
  const int format = opaque ? SPNG_FMT_RGB8 : SPNG_FMT_RGBA8;
  std::size_t decodedBytes = 0;
  if (int code = spng_decoded_image_size(ctx.get(), format, &decodedBytes))
    return SpngFailure(code);
  if (!Resize(out.scratch, decodedBytes) || !ResizeBgr(out, ihdr.width, ihdr.height))
    return Unexpected{SourceError{Kind::OutOfMemory, "out of memory"}};
  if (int code = spng_decode_image(ctx.get(), out.scratch.data(), decodedBytes, format,
                                   opaque ? 0 : SPNG_DECODE_TRNS))
    return SpngFailure(code);
  // The chunks after the image data up to IEND: a file cut there, or a checksum wrong there,
  // is as damaged as one cut in its pixels.
  if (int code = spng_decode_chunks(ctx.get())) return SpngFailure(code);
  if (opaque) {
    SwapRows(out.scratch.data(), out);
  } else {
    CompositeRows(out.scratch.data(), background, out);
  }
  return {};
}

}  // namespace formats
