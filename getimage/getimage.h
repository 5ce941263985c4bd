#pragma once
// Reads a file's BMP signature, width, height and bit depth from its headers, without
// loading the image.

#include <cstdint>
#include <string>

namespace GetImage {

struct BMPInfo {
  std::int32_t IsBMP = 0;  // exactly 1 or 0
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t BitCount = 0;
  friend bool operator==(const BMPInfo&, const BMPInfo&) = default;
};

// True when `FilePath` names a regular, non-hidden file of at least 2 bytes.
bool FileHasData(std::string FilePath);

// The record of `FilePath`; all zero when the file has no data or cannot be read. A file that
// starts with "BM" but that the loader would refuse (a header it does not accept, or fewer
// bytes than the rows its header claims) is a bitmap with no size: IsBMP 1, the rest 0.
BMPInfo ReadBMPInfo(std::string FilePath);


}  // namespace GetImage
