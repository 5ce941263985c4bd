#include "formats/output_formats.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "formats/bmp/bmp.h"
#include "formats/png/png_encoder.h"

namespace formats {
namespace {

EncoderFactory BmpEncoder(const EncodeOptions&) {
  return [](int fd, std::int32_t width, std::int32_t height) {
    return MakeBmpEncoder(fd, width, height);
  };
}

EncoderFactory PngEncoder(const EncodeOptions& options) {
  return MakePngEncoderFactory(options.pngLevel);
}

constexpr std::array<OutputFormat, 2> kOutputFormats = {{
    {".bmp", "BMP", true, BmpEncoder},
    {".png", "PNG", false, PngEncoder},
}};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

const OutputFormat& BmpOutput() { return kOutputFormats[0]; }

std::string_view ExtensionOf(std::string_view path) {
  const std::string_view name = path.substr(path.find_last_of('/') + 1);
  const auto dot = name.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  return name.substr(dot);
}

std::optional<OutputFormat> OutputFormatOf(std::string_view path) {
  const std::string_view extension = ExtensionOf(path);
  if (extension.empty()) return BmpOutput();
  for (const OutputFormat& format : kOutputFormats) {
    if (EqualIgnoringCase(extension, format.extension)) return format;
  }
  return std::nullopt;
}

std::string KnownExtensions() {
  std::string text;
  for (std::size_t i = 0; i < kOutputFormats.size(); ++i) {
    if (i > 0) text += i + 1 == kOutputFormats.size() ? " or " : ", ";
    text += kOutputFormats[i].extension;
  }
  return text;
}

}  // namespace formats
