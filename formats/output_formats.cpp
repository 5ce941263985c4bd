#include "formats/output_formats.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "formats/png/png_encoder.h"
#include "formats/webp/webp_encoder.h"

namespace formats {
namespace {

EncoderFactory PngEncoder(const EncodeOptions& options) {
  return MakePngEncoderFactory(options.pngLevel);
}

EncoderFactory JpegEncoder(const EncodeOptions& options) {
  return MakeJpegEncoderFactory({options.quality, options.chroma});
}

EncoderFactory TiffEncoder(const EncodeOptions& options) {
  return MakeTiffEncoderFactory({options.tiffCompression, options.quality});
}

EncoderFactory WebpEncoder(const EncodeOptions& options) {
  return MakeWebpEncoderFactory({options.lossless, static_cast<float>(options.quality)});
}

// BMP first: the format of a name without an extension. Of two extensions of one format, the
// first is the one a message names.
const std::array<OutputFormat, 7> kOutputFormats = {{
    BmpOutput(),
    {".png", "PNG", "png", false, 0, true, false, PngEncoder},
    {".jpg", "JPEG", "jpeg", false, kJpegMaxSide, true, false, JpegEncoder},
    {".jpeg", "JPEG", "jpeg", false, kJpegMaxSide, true, false, JpegEncoder},
    {".tif", "TIFF", "tiff", false, 0, false, false, TiffEncoder},
    {".tiff", "TIFF", "tiff", false, 0, false, false, TiffEncoder},
    {".webp", "WebP", "webp", false, kWebpMaxSide, true, true, WebpEncoder},
}};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// "a, b or c" of the table's rows, each named once.
template <typename Part>
std::string ListOf(Part part) {
  std::vector<std::string_view> parts;
  for (const OutputFormat& format : kOutputFormats) {
    if (std::ranges::find(parts, part(format)) == parts.end()) parts.push_back(part(format));
  }
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += i + 1 == parts.size() ? " or " : ", ";
    text += parts[i];
  }
  return text;
}

}  // namespace

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

std::optional<OutputFormat> OutputFormatNamed(std::string_view word) {
  for (const OutputFormat& format : kOutputFormats) {
    if (word == format.word) return format;
  }
  return std::nullopt;
}

std::string KnownExtensions() {
  return ListOf([](const OutputFormat& format) { return format.extension; });
}

std::string KnownFormatWords() {
  return ListOf([](const OutputFormat& format) { return format.word; });
}

}  // namespace formats
