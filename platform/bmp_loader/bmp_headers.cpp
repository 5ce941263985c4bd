// The header stages: file header, info header, format check, masks and palette.

#include <algorithm>
#include <bit>

#include "platform/bmp_loader/bmp_stages.h"

namespace bmp_loader {
namespace {

bool KnownHeaderSize(std::uint32_t size) {
  switch (size) {
    case 12:
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
      return true;
    default:
      return false;
  }
}

// OS/2 2.x headers share the first fields of the 40-byte header, but their compression
// values 3 and 4 mean Huffman and RLE24, which we do not decode.
std::uint32_t Os2Compression(std::uint32_t value) {
  return value >= BI_BITFIELDS ? 0xFFFFFFFFu : value;
}

void ReadCoreFields(ByteCursor& cursor, InfoHeader& header) {
  // A core header keeps 16-bit unsigned sizes.
  header.width = cursor.U16();
  header.height = cursor.U16();
  cursor.U16();  // planes: ignored, writers get it wrong and it changes nothing
  header.bitCount = cursor.U16();
  header.core = true;
}

void ReadInfoFields(ByteCursor& cursor, InfoHeader& header) {
  header.width = cursor.I32();
  header.height = cursor.I32();
  cursor.U16();  // planes
  header.bitCount = cursor.U16();
  if (header.size == 16) return;
  header.compression = cursor.U32();
  cursor.U32();    // biSizeImage: never trusted, the row layout and the file length decide
  cursor.Skip(8);  // resolution
  header.colorsUsed = cursor.U32();
  cursor.U32();  // colours important
  if (header.size == 64) {
    header.compression = Os2Compression(header.compression);
  } else if (header.size >= 52) {
    header.masks = {cursor.U32(), cursor.U32(), cursor.U32()};
    header.hasMasks = true;
  }
}

bool Contiguous(std::uint32_t mask) {
  const std::uint32_t shifted = mask >> std::countr_zero(mask);
  return (shifted & (shifted + 1)) == 0;
}

}  // namespace

eveda::Result<std::uint32_t, DecodeError> ReadFileHeader(ByteCursor& cursor) {
  if (!cursor.Has(2) || cursor.U8() != 'B' || cursor.U8() != 'M') {
    return eveda::Unexpected{DecodeError::NotBmp};
  }
  if (!cursor.Has(bmp_format::kFileHeaderBytes - 2))
    return eveda::Unexpected{DecodeError::TruncatedHeader};
  cursor.Skip(8);  // file size (often wrong, never needed) and the reserved words
  return cursor.U32();
}

eveda::Result<InfoHeader, DecodeError> ReadInfoHeader(ByteCursor& cursor) {
  if (!cursor.Has(4)) return eveda::Unexpected{DecodeError::TruncatedHeader};
  InfoHeader header;
  header.size = cursor.U32();
  if (!KnownHeaderSize(header.size)) return eveda::Unexpected{DecodeError::UnsupportedHeader};
  if (!cursor.Has(header.size - 4)) return eveda::Unexpected{DecodeError::TruncatedHeader};
  const std::size_t end = cursor.position() + header.size - 4;
  if (header.size == 12) {
    ReadCoreFields(cursor, header);
  } else {
    ReadInfoFields(cursor, header);
  }
  cursor.Seek(end);
  return header;
}

eveda::Result<void, DecodeError> CheckFormat(const InfoHeader& header) {
  if (header.width <= 0 || header.height == 0) {
    return eveda::Unexpected{DecodeError::BadDimensions};
  }
  const std::uint64_t rows =
      static_cast<std::uint64_t>(header.height < 0 ? -header.height : header.height);
  if (static_cast<std::uint64_t>(header.width) * rows > kMaxPixels) {
    return eveda::Unexpected{DecodeError::TooLarge};
  }
  const unsigned bits = header.bitCount;
  switch (header.compression) {
    case BI_RGB:
      if (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
          bits == 32) {
        return {};
      }
      return eveda::Unexpected{DecodeError::BadBitCount};
    case BI_RLE8:
    case BI_RLE4:
      if (bits != (header.compression == BI_RLE8 ? 8u : 4u)) {
        return eveda::Unexpected{DecodeError::BadBitCount};
      }
      if (header.height < 0) return eveda::Unexpected{DecodeError::TopDownRle};
      return {};
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
      if (header.core) return eveda::Unexpected{DecodeError::UnsupportedCompression};
      if (bits != 16 && bits != 32) return eveda::Unexpected{DecodeError::BadBitCount};
      return {};
    default:  // BI_JPEG, BI_PNG, CMYK variants, OS/2 Huffman and RLE24, anything unknown
      return eveda::Unexpected{DecodeError::UnsupportedCompression};
  }
}

eveda::Result<std::array<std::uint32_t, 3>, DecodeError> ReadMasks(ByteCursor& cursor,
                                                                   const InfoHeader& header) {
  std::array<std::uint32_t, 3> masks = header.masks;
  if (!header.hasMasks) {
    // A 40-byte header is followed by the masks; BI_ALPHABITFIELDS adds the alpha mask.
    const std::size_t count = header.compression == BI_ALPHABITFIELDS ? 4 : 3;
    if (!cursor.Has(count * 4)) return eveda::Unexpected{DecodeError::TruncatedHeader};
    masks = {cursor.U32(), cursor.U32(), cursor.U32()};
    if (count == 4) cursor.U32();  // alpha: the output has none
  }
  const std::uint64_t pixelRange = header.bitCount == 16 ? 0xFFFF : 0xFFFFFFFF;
  std::uint32_t seen = 0;
  for (const std::uint32_t mask : masks) {
    if (mask == 0 || mask > pixelRange || !Contiguous(mask) || (mask & seen) != 0) {
      return eveda::Unexpected{DecodeError::BadMasks};
    }
    seen |= mask;
  }
  return masks;
}

eveda::Result<void, DecodeError> ReadPalette(ByteCursor& cursor, const InfoHeader& header,
                                             std::uint32_t pixelOffset, Layout& layout) {
  const std::uint32_t full = 1u << header.bitCount;
  const std::size_t entryBytes = header.core ? 3 : 4;
  std::uint64_t count = header.colorsUsed == 0 ? full : header.colorsUsed;
  if (header.core && pixelOffset != 0 && pixelOffset >= cursor.position()) {
    // Core headers have no colour count; writers of short tables say so through bfOffBits.
    count = (pixelOffset - cursor.position()) / 3;
  }
  count = std::min<std::uint64_t>(count, full);
  if (!cursor.Has(count * entryBytes)) return eveda::Unexpected{DecodeError::TruncatedPalette};
  const auto table = cursor.Take(static_cast<std::size_t>(count * entryBytes));
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* bytes = table.data() + i * entryBytes;
    layout.palette[i] = {.blue = bytes[0], .green = bytes[1], .red = bytes[2]};
  }
  return {};
}

}  // namespace bmp_loader
