#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "formats/exif_orientation.h"
#include "formats/jpeg/jpeg.h"

namespace formats {
namespace {

using bmp_loader::DecodeError;

std::uint32_t Be16(const std::uint8_t* p) { return std::uint32_t{p[0]} << 8 | p[1]; }

eveda::Unexpected<SourceError> Fail(DecodeError reason, std::string words) {
  return eveda::Unexpected{SourceError{reason, std::move(words)}};
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

// Bytes read at `at`, 0 where the file ends or cannot be read.
std::size_t Read(const ByteInput& file, std::uint64_t at, std::span<std::uint8_t> out) {
  const auto got = file.ReadAt(at, out);
  return got ? *got : 0;
}

}  // namespace

bool SniffJpeg(std::span<const std::uint8_t> head) {
  return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

eveda::Result<ProbedImage, SourceError> ProbeJpeg(const ByteInput& file) {
  std::array<std::uint8_t, 9> bytes{};
  if (Read(file, 0, std::span(bytes).first(3)) < 3 || !SniffJpeg(std::span(bytes).first(3)))
    return Fail(DecodeError::NotAnImage, "not a JPEG file");
  // Each step moves forward by at least two bytes, so the walk ends with the file.
  std::uint64_t at = 2;
  std::optional<Orientation> orientation;  // from the first EXIF segment
  bool profiled = false;                   // an ICC segment before the frame header
  for (;;) {
    if (Read(file, at, std::span(bytes).first(2)) < 2)
      return Fail(DecodeError::Damaged, "the file ends before the frame header");
    if (bytes[0] != 0xFF)
      return Fail(DecodeError::Damaged, "a marker is missing before the frame header");
    const std::uint8_t marker = bytes[1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
      return Fail(DecodeError::Damaged, "no frame header before the image data");
    if (Read(file, at, std::span(bytes)) < 2)
      return Fail(DecodeError::Damaged, "the file ends inside a segment");
    const std::uint32_t length = Be16(bytes.data());
    if (length < 2) return Fail(DecodeError::Damaged, "a segment length below 2");
    if (IsOtherFrame(marker))
      return Fail(DecodeError::Unsupported, "lossless or hierarchical JPEG");
    if (marker == 0xE1 && !orientation && length > 8) {
      std::array<std::uint8_t, 6> signature{};
      if (Read(file, at + 2, signature) == 6 && std::memcmp(signature.data(), "Exif\0\0", 6) == 0) {
        std::vector<std::uint8_t> exif(length - 8);
        exif.resize(Read(file, at + 8, exif));
        orientation = ExifOrientation(exif);
      }
    }
    if (marker == 0xE2 && length > 14) {
      std::array<std::uint8_t, 12> signature{};
      profiled = profiled || (Read(file, at + 2, signature) == 12 &&
                              std::memcmp(signature.data(), "ICC_PROFILE\0", 12) == 0);
    }
    if (IsDecodableFrame(marker)) {
      if (length < 8 || Read(file, at, std::span(bytes)) < 7)
        return Fail(DecodeError::Damaged, "the file ends inside the frame header");
      const ProbedImage size{Be16(bytes.data() + 5), Be16(bytes.data() + 3),
                             orientation.value_or(1), marker == 0xC2 || marker == 0xCA, profiled};
      if (size.width == 0 || size.height == 0)
        return Fail(DecodeError::Unsupported, "a JPEG whose height is given after the data (DNL)");
      return size;
    }
    at += length;
  }
}

}  // namespace formats
