#pragma once
// The command line of eveda-batch.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "join/grid_plan.h"
#include "platform/gdi/gdi.h"
#include "platform/result.h"
#include "pyramid/deep_zoom.h"

namespace app {

struct BatchOptions {
  std::string directory;
  // Each laid over the scan's proposals; checked against the ranges the window accepts.
  std::optional<double> blockWidth;  // keeps a fraction
  std::optional<std::int32_t> blockHeight;
  std::optional<std::int32_t> spacing;
  std::optional<std::int32_t> wrap;
  std::optional<join::ArrangeOrder> order;
  std::optional<join::FitMode> fit;  // Contain too, which the window's list does not offer
  // -i: listing patterns, repeatable; none given lists *.bmp as the window does.
  std::vector<std::string> include;
  std::optional<int> compression;  // -z: zlib level of a PNG output
  std::optional<int> quality;      // -Q: of JPEG output, 1 to 100
  // For -o NAME.dzi: the tiles and the page that shows them.
  std::optional<std::int32_t> tileSize;
  std::optional<std::int32_t> overlap;
  std::optional<pyramid::TileFormat> tileFormat;
  bool viewer = false;
  std::optional<gdi::COLORREF> background;
  std::optional<std::string> output;
  bool quiet = false;
  bool help = false;
  bool version = false;  // --version: print "eveda-batch <version>" and exit 0
};

extern const char* const kUsage;

// Parses the arguments after the program's name; the error is a one-line reason.
eveda::Result<BatchOptions, std::string> ParseBatchOptions(std::span<const std::string_view> args);

// The pyramid `options` ask for (when -o names a .dzi).
pyramid::DeepZoomOptions DeepZoomOptionsOf(const BatchOptions& options);

// True for a text that is wholly a decimal number: sign, digits, one point, exponent.
bool IsStrictNumber(std::string_view text);

}  // namespace app
