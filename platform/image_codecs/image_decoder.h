#pragma once
// PNG (libspng) and JPEG (libjpeg-turbo) decoders for the drawing pass. Output is always
// 24-bit B,G,R rows, top-down, each row padded to a multiple of 4 bytes (a DIB section's
// stride), so the rows can go to a DIB section or a band in one copy.
//
// PNG: every colour type and bit depth, palettes with tRNS, Adam7; 16-bit samples keep their
// high byte; alpha (and tRNS) is blended over the caller's background colour. JPEG: baseline
// and progressive, grey, YCbCr, RGB, CMYK and YCCK (Adobe's inverted CMYK when the Adobe
// marker says so). Colour profiles and gamma are not applied.
//
// Hostile input never crashes and never makes either decoder allocate beyond the limits: the
// declared size is checked against DecodeLimits and against what the file's length could
// possibly hold before the pixel memory is taken; truncated data and bad checksums are errors.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/image_codecs/codec_error.h"
#include "platform/image_codecs/image_probe.h"
#include "platform/result.h"

namespace eveda::codecs {

// Reused from one decode to the next, so that a run over many sources allocates once.
struct DecodedImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t stride = 0;             // bytes per row: 3 * width rounded up to 4
  std::vector<std::uint8_t> pixels;   // height * stride bytes, B,G,R
  std::vector<std::uint8_t> scratch;  // the decoders' own working memory
  const std::uint8_t* Row(std::uint32_t y) const { return pixels.data() + y * stride; }
};

// 0x00BBGGRR, as gdi's COLORREF.
using Colour = std::uint32_t;

Result<void, CodecError> DecodePng(std::span<const std::uint8_t> file, Colour background,
                                   DecodedImage& out, const DecodeLimits& limits = {});
Result<void, CodecError> DecodeJpeg(std::span<const std::uint8_t> file, DecodedImage& out,
                                    const DecodeLimits& limits = {});
// By the signature: PNG or JPEG, else CodecError::Kind::NotAnImage.
Result<void, CodecError> DecodeImage(std::span<const std::uint8_t> file, Colour background,
                                     DecodedImage& out, const DecodeLimits& limits = {});

// 3 * width rounded up to whole 32-bit words.
constexpr std::uint64_t BgrStride(std::uint64_t width) { return (width * 3 + 3) / 4 * 4; }

}  // namespace eveda::codecs
