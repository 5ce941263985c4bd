#pragma once
// The source formats this module reads beside BMP, PNG and JPEG, in one table: what the reader
// asks when a file's first bytes are not one of those.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

struct SourceFormat {
  std::string_view name;  // "webp", "tiff", "gif", "heif"
  bool (*sniff)(std::span<const std::uint8_t> head);
  eveda::Result<ProbedImage, SourceError> (*probe)(const ByteInput& input);
  eveda::Result<std::unique_ptr<RowStream>, SourceError> (*open)(const ByteInput& input,
                                                                 const OpenHints& hints);
};

// Every format's sniff reads no more than this many first bytes.
inline constexpr std::size_t kSniffBytes = 32;

std::span<const SourceFormat> SourceFormats();

// The format whose signature `head` starts with, or null.
const SourceFormat* SniffSourceFormat(std::span<const std::uint8_t> head);

// The format of that name, or null.
const SourceFormat* SourceFormatNamed(std::string_view name);

}  // namespace formats
