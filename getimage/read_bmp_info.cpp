#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>

#include "getimage/getimage.h"

namespace GetImage {
namespace {

constexpr std::size_t kProbeBytes = 54;  // file header and a 40-byte information header
constexpr std::uint32_t kCoreHeaderSize = 12;
using ProbeBytes = std::array<std::uint8_t, kProbeBytes>;

// One read from the start of the file, closed again before any byte is looked at. A short
// file leaves the rest zero; nothing comes back when the file cannot be opened or read.
std::optional<ProbeBytes> ReadProbeBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  ProbeBytes bytes{};
  std::fread(bytes.data(), 1, bytes.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

template <std::size_t Offset>
std::uint16_t U16At(const ProbeBytes& bytes) {
  static_assert(Offset + 2 <= kProbeBytes);
  return static_cast<std::uint16_t>(bytes[Offset] | bytes[Offset + 1] << 8);
}

template <std::size_t Offset>
std::uint32_t U32At(const ProbeBytes& bytes) {
  static_assert(Offset + 4 <= kProbeBytes);
  return std::uint32_t{bytes[Offset]} | std::uint32_t{bytes[Offset + 1]} << 8 |
         std::uint32_t{bytes[Offset + 2]} << 16 | std::uint32_t{bytes[Offset + 3]} << 24;
}

// A negative width describes no image, so it reads as 0.
std::int32_t WidthFrom(std::uint32_t raw) {
  return raw <= std::numeric_limits<std::int32_t>::max() ? static_cast<std::int32_t>(raw) : 0;
}

// A negative height marks rows stored top-down; the image is as high as its magnitude. The most
// negative value has no magnitude that fits and reads as 0.
std::int32_t HeightFrom(std::uint32_t raw) {
  const auto height = static_cast<std::int32_t>(raw);
  if (height >= 0) return height;
  if (height == std::numeric_limits<std::int32_t>::min()) return 0;
  return -height;
}

BMPInfo DecodeProbeBytes(const ProbeBytes& bytes) {
  BMPInfo info;
  if (bytes[0] != 0x42 || bytes[1] != 0x4D) return info;  // "BM"
  info.IsBMP = 1;
  if (U32At<14>(bytes) == kCoreHeaderSize) {
    // A core header keeps 16-bit unsigned sizes, packed closer together.
    info.Width = U16At<18>(bytes);
    info.Height = U16At<20>(bytes);
    info.BitCount = U16At<24>(bytes);
    return info;
  }
  info.Width = WidthFrom(U32At<18>(bytes));
  info.Height = HeightFrom(U32At<22>(bytes));
  info.BitCount = U16At<28>(bytes);
  return info;
}

}  // namespace

BMPInfo ReadBMPInfo(std::string FilePath) {
  if (!FileHasData(FilePath)) return {};
  const std::optional<ProbeBytes> bytes = ReadProbeBytes(FilePath);
  return bytes ? DecodeProbeBytes(*bytes) : BMPInfo{};
}

}  // namespace GetImage
