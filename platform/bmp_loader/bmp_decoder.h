#pragma once
// Decodes BMP files in two steps, so that the pixels go straight into memory the caller owns:
// PlanDecode() reads and checks the headers and says what bitmap the file needs; DecodePixels()
// then writes the rows. The decoder knows nothing of the raster layer; its layout maps one to
// one onto a BITMAPINFO. What is accepted and refused, and what each file becomes, is the
// contract written in README.md beside this file; how the rows of a file are read is in
// row_source.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/bmp_format/bmp_format.h"
#include "platform/result.h"

namespace bmp_loader {

enum class DecodeError {
  NotBmp,                  // no "BM" signature
  TruncatedHeader,         // the file ends inside the file header, info header or masks
  UnsupportedHeader,       // an info header size we do not know
  BadDimensions,           // width or height 0, negative width
  BadBitCount,             // a bit count that does not exist, or does not fit the compression
  UnsupportedCompression,  // BI_JPEG, BI_PNG, OS/2 Huffman or RLE24, unknown values
  BadMasks,          // BI_BITFIELDS masks that are empty, overlap, leave the pixel or have gaps
  TruncatedPalette,  // the file ends inside the colour table
  BadPixelOffset,    // bfOffBits inside the headers or at/after the end of the file
  TruncatedPixels,   // fewer pixel bytes than an uncompressed image needs
  TopDownRle,        // RLE with a negative height
  TooLarge,          // more than kMaxPixels pixels, or a size that overflows
  RleTooSparse,      // more pixels than the RLE data could plausibly describe
  // What the file system says before any byte is decoded.
  NotFound,          // no file of that name (any more)
  PermissionDenied,  // the file may not be read
  NotRegularFile,    // a directory, a FIFO, a device: nothing to read a picture from
  OutOfMemory,       // the file's bytes or its bitmap could not be given memory
  Unreadable,        // any other failure to open or read the file
  // What the other formats' decoders say, with their own words beside it.
  NotAnImage,        // no format the job reads recognises the file
  Damaged,           // truncated, a bad checksum, data the format does not allow
  Unsupported,       // a valid file of a kind that is not decoded
  TooManyOpenFiles,  // the process or the system has no descriptor left to open it with
};

// Why a file did not load, in the words of each audience: a short English reason for
// "could not read PATH: REASON", and the Japanese one the window shows after a file name.
struct ReasonText {
  std::string_view english;
  std::string_view japanese;
};
ReasonText ReasonTextOf(DecodeError error);
std::string_view Describe(DecodeError error);  // ReasonTextOf(error).english

// 16384 x 16384: big enough for any scan or screenshot, small enough that no header can ask
// for more than 1 GiB of pixels (at 32 bits).
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;
// An RLE stream of n bytes may describe at most kRleFreePixels + kRlePixelsPerByte * n pixels.
// Encoded runs give at most 128 pixels a byte; the rest of the allowance covers rows skipped
// by deltas and early ends, without letting a tiny file claim a huge bitmap.
inline constexpr std::uint64_t kRleFreePixels = std::uint64_t{1} << 20;
inline constexpr std::uint64_t kRlePixelsPerByte = 1024;

using bmp_format::BI_ALPHABITFIELDS;
using bmp_format::BI_BITFIELDS;
using bmp_format::BI_JPEG;
using bmp_format::BI_PNG;
using bmp_format::BI_RGB;
using bmp_format::BI_RLE4;
using bmp_format::BI_RLE8;

struct PaletteEntry {  // the same bytes as an RGBQUAD
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
};

// The bitmap to allocate: bottom-up rows of `stride` bytes.
struct Layout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bitCount = 0;            // 1, 4, 8, 16, 24 or 32
  std::uint32_t compression = BI_RGB;    // BI_RGB, or BI_BITFIELDS at 16 and 32 bits
  std::array<std::uint32_t, 3> masks{};  // red, green, blue when BI_BITFIELDS
  std::uint32_t paletteSize = 0;         // 2, 16 or 256 entries at 1, 4 and 8 bits, else 0
  std::array<PaletteEntry, 256> palette{};
  std::size_t stride = 0;
  std::size_t ByteSize() const { return stride * static_cast<std::size_t>(height); }
};

enum class SourceEncoding { Rows, Rle8, Rle4 };

// The layout plus where and how the file holds the pixels.
struct DecodePlan {
  Layout layout;
  SourceEncoding encoding = SourceEncoding::Rows;
  std::uint16_t sourceBitCount = 0;
  bool topDown = false;
  std::size_t pixelOffset = 0;  // where the rows or the RLE stream start
  std::size_t pixelBytes = 0;   // how many bytes of them there are (checked against the file)
  std::size_t sourceStride = 0;
};

eveda::Result<DecodePlan, DecodeError> PlanDecode(std::span<const std::uint8_t> file);

// The same plan from the first bytes of a file `fileSize` bytes long: every header check, and
// for uncompressed rows the check that the file is long enough for them, without reading the
// pixels. kHeadBytes from the start are always enough.
inline constexpr std::size_t kHeadBytes = bmp_format::kLongestHeaders;
eveda::Result<DecodePlan, DecodeError> PlanDecode(std::span<const std::uint8_t> head,
                                                  std::uint64_t fileSize);

// Writes the rows described by `plan` into `pixels` (layout.ByteSize() bytes, zero-filled:
// pixels an RLE stream skips keep index 0). Cannot fail: the plan has checked every size,
// and a short or damaged RLE stream simply leaves the rest of the bitmap at index 0.
void DecodePixels(std::span<const std::uint8_t> file, const DecodePlan& plan,
                  std::span<std::uint8_t> pixels);

}  // namespace bmp_loader
