#include "getimage/bmp_info_of.h"
#include "getimage/getimage.h"
#include "getimage/hidden_name.h"
#include "platform/bmp_loader/source_file.h"
#include "platform/image_codecs/image_probe.h"

namespace GetImage {

using eveda::bmp::SourceFile;
using eveda::codecs::ImageFormat;

// A PNG's size is in its first 33 bytes; a JPEG's frame header is found by walking the
// segments with positioned reads of a few bytes each.
BMPInfo ReadImageInfo(std::string FilePath) {
  if (detail::IsHiddenName(FilePath)) return {};
  const auto file = SourceFile::Open(FilePath.c_str());
  if (!file) return {};
  std::uint8_t head[eveda::codecs::kSignatureBytes] = {};
  const auto got = file->ReadAt(0, head);
  if (!got) return {};
  const std::span<const std::uint8_t> start(head, *got);
  const ImageFormat format = eveda::codecs::SniffFormat(start);
  if (format == ImageFormat::Other) return detail::BmpInfoOf(*file);
  const auto size =
      format == ImageFormat::Png
          ? eveda::codecs::ProbePng(start)
          : eveda::codecs::ProbeJpeg([&file](std::uint64_t at, std::span<std::uint8_t> out) {
              const auto n = file->ReadAt(at, out);
              return n ? *n : std::size_t{0};
            });
  BMPInfo info;
  info.IsBMP = 1;
  // Only what the decoder would accept sizes the cells.
  if (!size || std::uint64_t{size->width} * size->height > eveda::codecs::DecodeLimits{}.maxPixels)
    return info;
  info.Width = static_cast<std::int32_t>(size->width);
  info.Height = static_cast<std::int32_t>(size->height);
  info.BitCount = 24;
  return info;
}

}  // namespace GetImage
