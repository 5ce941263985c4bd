#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/exif_orientation.h"
#include "formats/png/png.h"

namespace formats {
namespace {

using bmp_loader::DecodeError;

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

eveda::Unexpected<SourceError> Fail(DecodeError reason, std::string words) {
  return eveda::Unexpected{SourceError{reason, std::move(words)}};
}

bool PngDepthFits(std::uint8_t colourType, std::uint8_t depth) {
  switch (colourType) {
    case 0:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

}  // namespace

bool SniffPng(std::span<const std::uint8_t> head) {
  return head.size() >= kPngSignature.size() &&
         std::equal(kPngSignature.begin(), kPngSignature.end(), head.begin());
}

eveda::Result<ProbedImage, SourceError> ProbePng(std::span<const std::uint8_t> head) {
  if (!SniffPng(head)) return Fail(DecodeError::NotAnImage, "not a PNG file");
  if (head.size() < kPngHeadBytes) return Fail(DecodeError::Damaged, "the file ends inside IHDR");
  const std::uint8_t* chunk = head.data() + 8;
  if (Be32(chunk) != 13 || std::memcmp(chunk + 4, "IHDR", 4) != 0)
    return Fail(DecodeError::Damaged, "the first chunk is not a 13-byte IHDR");
  const std::uint8_t* ihdr = chunk + 8;
  if (crc32(0, chunk + 4, 17) != Be32(ihdr + 13))
    return Fail(DecodeError::Damaged, "IHDR CRC mismatch");
  const ProbedImage size{Be32(ihdr), Be32(ihdr + 4), 1, ihdr[12] == 1};
  if (size.width == 0 || size.height == 0 || size.width > kPngMaxValue ||
      size.height > kPngMaxValue)
    return Fail(DecodeError::Damaged, "invalid image size in IHDR");
  if (!PngDepthFits(ihdr[9], ihdr[8]) || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] > 1)
    return Fail(DecodeError::Damaged, "invalid colour type, bit depth or method in IHDR");
  return size;
}

void ProbePngTags(const ByteInput& file, ProbedImage& probed) {
  // Real encoders write a handful of chunks before the image data; the walk stops there, so an
  // iCCP after eXIf is seen too.
  constexpr int kMaxChunksWalked = 64;
  constexpr std::uint32_t kMaxExifBytes = 1 << 16;  // the first directory comes first
  std::uint64_t at = kPngHeadBytes;
  probed.profiled = false;
  for (int i = 0; i < kMaxChunksWalked; ++i) {
    std::uint8_t header[8] = {};
    const auto got = file.ReadAt(at, header);
    if (!got || *got < 8 || std::memcmp(header + 4, "IDAT", 4) == 0) break;
    const std::uint32_t length = Be32(header);
    probed.profiled = *probed.profiled || std::memcmp(header + 4, "iCCP", 4) == 0;
    if (std::memcmp(header + 4, "eXIf", 4) == 0) {
      std::vector<std::uint8_t> exif(std::min(length, kMaxExifBytes));
      const auto read = file.ReadAt(at + 8, exif);
      probed.orientation = read ? ExifOrientation(std::span(exif).first(*read)) : 1;
    }
    at += 12 + std::uint64_t{length};
  }
}

}  // namespace formats
