#pragma once
// What eveda-batch decides about its -o target before a tile is drawn: the format its
// extension names, and whether it is one of the sources it would otherwise read.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace batch {

// The file formats eveda-batch writes, by extension (compared without regard to case).
struct OutputFormat {
  std::string_view extension;  // with its dot
  std::string_view name;
};
inline constexpr OutputFormat kOutputFormats[] = {{".bmp", "BMP"}};

// The extension of the last part of `path` ("" for none; a leading dot starts no extension).
std::string_view ExtensionOf(std::string_view path);

// The format `path` asks for; nothing for an extension no format has. No extension is BMP.
std::optional<OutputFormat> FormatOf(std::string_view path);

// True for a path in DIRECTORY that is the file `output` names: the same device and inode
// where the output exists, the same resolved path where it does not yet. Made once, asked
// for each file the scan finds.
std::function<bool(const std::string& path)> SameFileAs(const std::string& output);

}  // namespace batch
