#include "platform/image_codecs/image_probe.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace eveda::codecs {
namespace {


std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
std::uint32_t Be16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }

Unexpected<CodecError> Fail(CodecError::Kind kind, std::string reason) {
  return Unexpected{CodecError{kind, std::move(reason)}};
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

// Start-of-frame markers libjpeg-turbo decodes: baseline, extended, progressive, and their
// arithmetic-coded forms. Lossless and hierarchical frames are refused.
bool IsDecodableFrame(std::uint8_t marker) {
  return marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA;
}
bool IsOtherFrame(std::uint8_t marker) {
  return marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC &&
         !IsDecodableFrame(marker);
}

}  // namespace

ImageFormat SniffFormat(std::span<const std::uint8_t> head) {
  if (head.size() >= kPngSignature.size() &&
      std::equal(kPngSignature.begin(), kPngSignature.end(), head.begin()))
    return ImageFormat::Png;
  if (head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
    return ImageFormat::Jpeg;
  return ImageFormat::Other;
}

Result<ImageSize, CodecError> ProbePng(std::span<const std::uint8_t> head) {
  using Kind = CodecError::Kind;
  if (SniffFormat(head) != ImageFormat::Png) return Fail(Kind::NotAnImage, "not a PNG file");
  if (head.size() < kSignatureBytes) return Fail(Kind::Damaged, "the file ends inside IHDR");
  const std::uint8_t* chunk = head.data() + 8;
  if (Be32(chunk) != 13 || std::memcmp(chunk + 4, "IHDR", 4) != 0)
    return Fail(Kind::Damaged, "the first chunk is not a 13-byte IHDR");
  const std::uint8_t* ihdr = chunk + 8;
  if (crc32(0, chunk + 4, 17) != Be32(ihdr + 13)) return Fail(Kind::Damaged, "IHDR CRC mismatch");
  const ImageSize size{Be32(ihdr), Be32(ihdr + 4)};
  if (size.width == 0 || size.height == 0 || size.width > kPngMaxValue ||
      size.height > kPngMaxValue)
    return Fail(Kind::Damaged, "invalid image size in IHDR");
  if (!PngDepthFits(ihdr[9], ihdr[8]) || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] > 1)
    return Fail(Kind::Damaged, "invalid colour type, bit depth or method in IHDR");
  return size;
}

Result<ImageSize, CodecError> ProbeJpeg(const ReadAtFn& read) {
  using Kind = CodecError::Kind;
  std::array<std::uint8_t, 9> bytes{};
  if (read(0, std::span(bytes).first(3)) < 3 ||
      SniffFormat(std::span(bytes).first(3)) != ImageFormat::Jpeg)
    return Fail(Kind::NotAnImage, "not a JPEG file");
  // Each step moves forward by at least two bytes, so the walk ends with the file.
  std::uint64_t at = 2;
  for (;;) {
    if (read(at, std::span(bytes).first(2)) < 2)
      return Fail(Kind::Damaged, "the file ends before the frame header");
    if (bytes[0] != 0xFF) return Fail(Kind::Damaged, "a marker is missing before the frame header");
    const std::uint8_t marker = bytes[1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
      return Fail(Kind::Damaged, "no frame header before the image data");
    if (read(at, std::span(bytes)) < 2)
      return Fail(Kind::Damaged, "the file ends inside a segment");
    const std::uint32_t length = Be16(bytes.data());
    if (length < 2) return Fail(Kind::Damaged, "a segment length below 2");
    if (IsOtherFrame(marker)) return Fail(Kind::Unsupported, "lossless or hierarchical JPEG");
    if (IsDecodableFrame(marker)) {
      if (length < 8 || read(at, std::span(bytes)) < 7)
        return Fail(Kind::Damaged, "the file ends inside the frame header");
      const ImageSize size{Be16(bytes.data() + 5), Be16(bytes.data() + 3)};
      if (size.width == 0 || size.height == 0)
        return Fail(Kind::Unsupported, "a JPEG whose height is given after the data (DNL)");
      return size;
    }
    at += length;
  }
}

}  // namespace eveda::codecs
