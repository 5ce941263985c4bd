#include "formats/sources/source_formats.h"

#include <algorithm>
#include <array>

#include "formats/gif/gif_decoder.h"
#include "formats/heif/heif_decoder.h"
#include "formats/tiff/tiff_decoder.h"
#include "formats/webp/webp_decoder.h"

namespace formats {

namespace {

constexpr std::array kFormats = {
    SourceFormat{"webp", SniffWebp, ProbeWebp, OpenWebp},
    SourceFormat{"tiff", SniffTiff, ProbeTiff, OpenTiff},
    SourceFormat{"gif", SniffGif, ProbeGif, OpenGif},
    SourceFormat{"heif", SniffHeif, ProbeHeif, OpenHeif},
};

const SourceFormat* FirstWhere(auto matches) {
  const auto found = std::find_if(kFormats.begin(), kFormats.end(), matches);
  return found == kFormats.end() ? nullptr : &*found;
}

}  // namespace

std::span<const SourceFormat> SourceFormats() { return kFormats; }

const SourceFormat* SniffSourceFormat(std::span<const std::uint8_t> head) {
  head = head.first(std::min(head.size(), kSniffBytes));
  return FirstWhere([&](const SourceFormat& format) { return format.sniff(head); });
}

const SourceFormat* SourceFormatNamed(std::string_view name) {
  return FirstWhere([&](const SourceFormat& format) { return format.name == name; });
}

}  // namespace formats
