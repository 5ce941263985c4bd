#include "formats/bmp/bmp.h"
#include "formats/output_formats.h"

namespace formats {
namespace {

EncoderFactory BmpEncoder(const EncodeOptions&) {
  return [](int fd, std::int32_t width, std::int32_t height) {
    return MakeBmpEncoder(fd, width, height);
  };
}

constexpr OutputFormat kBmpOutput = {".bmp", "BMP", "bmp", true, 0, false, false, BmpEncoder};

}  // namespace

const OutputFormat& BmpOutput() { return kBmpOutput; }

}  // namespace formats
