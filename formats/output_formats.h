#pragma once
// The formats an output can be written in, by extension (compared without regard to case): the
// one home of which extension means which format, and of each format's encoder.

#include <optional>
#include <string>
#include <string_view>

#include "formats/encoder.h"

namespace formats {

// What the options say about an encoder.
struct EncodeOptions {
  int pngLevel = 6;  // zlib's 0 (none) to 9 (smallest)
};

struct OutputFormat {
  std::string_view extension;  // with its dot
  std::string_view name;
  // A BMP file stops at kMaxBmpFileBytes; the others are counted in 64 bits throughout.
  bool bmpFileLimit;
  EncoderFactory (*encoder)(const EncodeOptions& options);
};

const OutputFormat& BmpOutput();

// The extension of the last part of `path` ("" for none; a leading dot starts no extension).
std::string_view ExtensionOf(std::string_view path);

// The format `path` asks for; nothing for an extension no format has. No extension is BMP.
std::optional<OutputFormat> OutputFormatOf(std::string_view path);

// The known extensions for a message: ".bmp or .png".
std::string KnownExtensions();

}  // namespace formats
