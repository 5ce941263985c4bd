#pragma once
// The formats an output can be written in, by extension (compared without regard to case) or by
// name: the one home of which extension means which format, of each format's limits and of its
// encoder.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/encoder.h"
#include "formats/jpeg/jpeg_encoder.h"
#include "formats/tiff/tiff_encoder.h"

namespace formats {

// What the options say about an encoder.
struct EncodeOptions {
  int pngLevel = 6;  // zlib's 0 (none) to 9 (smallest)
  int quality = 90;  // 1 to 100: JPEG, lossy WebP and JPEG-compressed TIFF
  ChromaSampling chroma = ChromaSampling::ByQuality;  // JPEG
  TiffCompression tiffCompression = TiffCompression::Deflate;
  bool lossless = false;  // WebP
};

struct OutputFormat {
  std::string_view extension;  // with its dot
  std::string_view name;       // for messages: "JPEG"
  std::string_view word;       // as the command names it: "jpeg"
  // A BMP file stops at kMaxBmpFileBytes; the others are counted in 64 bits throughout.
  bool bmpFileLimit;
  std::uint32_t maxSide;  // the most pixels a side the format holds; 0: no limit of its own
  // The encoder writes its bytes in order, never seeking back, so a pipe can take them as
  // they come; the others need a file.
  bool writesInOrder;
  // The encoder holds the whole picture until the last row (3 bytes a pixel).
  bool holdsWholePicture;
  EncoderFactory (*encoder)(const EncodeOptions& options);

  bool Holds(std::int32_t width, std::int32_t height) const {
    return maxSide == 0 || (width <= std::int64_t{maxSide} && height <= std::int64_t{maxSide});
  }
  friend bool operator==(const OutputFormat& a, const OutputFormat& b) { return a.word == b.word; }
};

// BMP's row of the table, the default output: apart from the others (in eveda_output_formats),
// so that a program that writes only BMP, as the window does, links no other encoder.
const OutputFormat& BmpOutput();

// The extension of the last part of `path` ("" for none; a leading dot starts no extension).
std::string_view ExtensionOf(std::string_view path);

// The format `path` asks for; nothing for an extension no format has. No extension is BMP.
std::optional<OutputFormat> OutputFormatOf(std::string_view path);

// The format of this name ("jpeg"); nothing for a name no format has.
std::optional<OutputFormat> OutputFormatNamed(std::string_view word);

// The known extensions for a message: ".bmp, .png, ... or .webp".
std::string KnownExtensions();

// The formats' names for a message: "bmp, png, ... or webp".
std::string KnownFormatWords();

}  // namespace formats
