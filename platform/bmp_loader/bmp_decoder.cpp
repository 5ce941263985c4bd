// The decoder's driver: the stages in order, then the pixel writers.

#include "platform/bmp_loader/bmp_decoder.h"

#include "platform/bmp_loader/bmp_stages.h"

namespace bmp_loader {
namespace {

std::uint16_t OutputBitCount(const InfoHeader& header) {
  return header.bitCount == 2 ? 4 : header.bitCount;  // no 2-bit bitmaps downstream
}

Layout MakeLayout(const InfoHeader& header) {
  Layout layout;
  layout.width = static_cast<std::int32_t>(header.width);
  layout.height = static_cast<std::int32_t>(header.height < 0 ? -header.height : header.height);
  layout.bitCount = OutputBitCount(header);
  layout.paletteSize = layout.bitCount <= 8 ? 1u << layout.bitCount : 0;
  layout.stride = static_cast<std::size_t>(bmp_format::RowStride(header.width, layout.bitCount));
  return layout;
}

// Bytes of colour table the file holds, for files that leave bfOffBits 0.
std::uint64_t TableBytes(const InfoHeader& header) {
  if (header.bitCount > 8) return std::uint64_t{header.colorsUsed} * 4;
  if (header.core) return std::uint64_t{3} << header.bitCount;
  return (header.colorsUsed == 0 ? std::uint64_t{1} << header.bitCount : header.colorsUsed) * 4;
}

SourceEncoding EncodingOf(std::uint32_t compression) {
  if (compression == BI_RLE8) return SourceEncoding::Rle8;
  if (compression == BI_RLE4) return SourceEncoding::Rle4;
  return SourceEncoding::Rows;
}

// How many pixel bytes there are, refusing a file that is too short or implausibly small.
eveda::Result<void, DecodeError> LocatePixels(const InfoHeader& header, std::uint64_t fileSize,
                                              DecodePlan& plan) {
  const std::uint64_t available = fileSize - plan.pixelOffset;
  const std::uint64_t width = static_cast<std::uint64_t>(header.width);
  const std::uint64_t height = static_cast<std::uint64_t>(plan.layout.height);
  if (plan.encoding != SourceEncoding::Rows) {
    if (width * height > kRleFreePixels + kRlePixelsPerByte * available) {
      return eveda::Unexpected{DecodeError::RleTooSparse};
    }
    plan.pixelBytes = static_cast<std::size_t>(available);
    return {};
  }
  // The last row's padding may be missing: some writers stop at the last pixel.
  const auto stride = static_cast<std::uint64_t>(
      bmp_format::RowStride(static_cast<std::int64_t>(width), header.bitCount));
  const std::uint64_t needed = stride * (height - 1) + (width * header.bitCount + 7) / 8;
  if (needed > available) return eveda::Unexpected{DecodeError::TruncatedPixels};
  plan.sourceStride = static_cast<std::size_t>(stride);
  plan.pixelBytes = static_cast<std::size_t>(needed);
  return {};
}

}  // namespace

eveda::Result<DecodePlan, DecodeError> PlanDecode(std::span<const std::uint8_t> file) {
  return PlanDecode(file, file.size());
}

eveda::Result<DecodePlan, DecodeError> PlanDecode(std::span<const std::uint8_t> head,
                                                  std::uint64_t fileSize) {
  if (head.size() > fileSize) head = head.first(static_cast<std::size_t>(fileSize));
  ByteCursor cursor(head);
  EVEDA_TRY(offBits, ReadFileHeader(cursor));
  EVEDA_TRY(header, ReadInfoHeader(cursor));
  EVEDA_TRY(format, CheckFormat(*header));

  DecodePlan plan;
  plan.layout = MakeLayout(*header);
  plan.encoding = EncodingOf(header->compression);
  plan.sourceBitCount = header->bitCount;
  plan.topDown = header->height < 0;
  if (header->compression == BI_BITFIELDS || header->compression == BI_ALPHABITFIELDS) {
    EVEDA_TRY(masks, ReadMasks(cursor, *header));
    plan.layout.compression = BI_BITFIELDS;
    plan.layout.masks = *masks;
  }
  const std::size_t tableStart = cursor.position();
  if (*offBits != 0 && *offBits < tableStart) {
    return eveda::Unexpected{DecodeError::BadPixelOffset};
  }
  if (header->bitCount <= 8) {
    EVEDA_TRY(palette, ReadPalette(cursor, *header, *offBits, plan.layout));
  }
  const std::uint64_t offset = *offBits != 0 ? *offBits : tableStart + TableBytes(*header);
  if (offset >= fileSize) return eveda::Unexpected{DecodeError::BadPixelOffset};
  plan.pixelOffset = static_cast<std::size_t>(offset);
  EVEDA_TRY(located, LocatePixels(*header, fileSize, plan));
  return plan;
}

std::span<std::uint8_t> BitmapRow(const Layout& layout, std::span<std::uint8_t> pixels,
                                  std::int64_t row) {
  return pixels.subspan(static_cast<std::size_t>(row) * layout.stride, layout.stride);
}

void DecodePixels(std::span<const std::uint8_t> file, const DecodePlan& plan,
                  std::span<std::uint8_t> pixels) {
  if (pixels.size() < plan.layout.ByteSize() || plan.pixelOffset > file.size() ||
      plan.pixelBytes > file.size() - plan.pixelOffset) {
    return;  // not the file or the bitmap this plan was made for
  }
  ByteCursor cursor(file.subspan(plan.pixelOffset, plan.pixelBytes));
  switch (plan.encoding) {
    case SourceEncoding::Rows:
      return DecodeRows(cursor, plan, pixels);
    case SourceEncoding::Rle8:
      return DecodeRle8(cursor, plan.layout, pixels);
    case SourceEncoding::Rle4:
      return DecodeRle4(cursor, plan.layout, pixels);
  }
}

}  // namespace bmp_loader
