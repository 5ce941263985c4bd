#pragma once
// The command line of eveda-batch.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/output_formats.h"
#include "gtfile/list_order.h"
#include "join/grid_plan.h"
#include "platform/gdi/gdi.h"
#include "platform/result.h"
#include "pyramid/deep_zoom.h"

namespace app {

struct BatchOptions {
  std::string directory;  // the first PATH: the one directory of a job as the window runs it
  // What to join and in which order: PATH arguments in their order, then --files-from's.
  std::vector<std::string> paths;
  std::optional<std::string> filesFrom;  // "-": standard input
  bool nullSeparated = false;            // -0: the list's paths end in NUL bytes
  bool recursive = false;
  GTFile::ListOrder sort = GTFile::ListOrder::Name;
  bool reverse = false;
  bool dryRun = false;             // probe and print the layout; write nothing
  std::optional<std::string> map;  // a .json or .csv file telling where each cell went
  // Each laid over the scan's proposals; checked against the ranges the window accepts.
  std::optional<double> blockWidth;  // keeps a fraction
  std::optional<std::int32_t> blockHeight;
  std::optional<std::int32_t> spacing;
  std::optional<std::int32_t> wrap;
  std::optional<join::ArrangeOrder> order;
  std::optional<join::FitMode>
      fit;  // Contain and Cover too, which the window's list does not offer
  // --resample: the filter of the fits that scale; none: lanczos3 for contain and cover, the
  // window's stretch for stretch. Resample::Window draws as the window draws.
  enum class Resample { Window, Nearest, Linear, Lanczos3 };
  std::optional<Resample> resample;
  bool rotate = true;   // --no-rotate: the stored orientation, whatever EXIF says
  bool profile = true;  // --no-profile: colours as stored, whatever profile is embedded
  // -i: listing patterns, repeatable; none given lists *.bmp as the window does.
  std::vector<std::string> include;
  std::optional<int> compression;                    // -z: zlib level of a PNG output
  std::optional<int> quality;                        // -Q: 1 to 100, for every lossy output
  std::optional<formats::ChromaSampling> subsample;  // of a JPEG output
  std::optional<formats::TiffCompression> tiffCompression;
  bool lossless = false;              // of a WebP output
  std::optional<std::string> format;  // -O: the output format's name, for a PATH without extension
  // For -o NAME.dzi: the tiles and the page that shows them.
  std::optional<std::int32_t> tileSize;
  std::optional<std::int32_t> overlap;
  std::optional<pyramid::TileFormat> tileFormat;
  bool viewer = false;
  std::optional<gdi::COLORREF> background;
  std::optional<std::string> output;
  // -l: a caption under each cell, its % escapes filled in per source; no strip without it.
  std::optional<std::string> label;
  std::optional<int> labelSize;  // pixels per em
  std::optional<gdi::COLORREF> labelColour;
  std::optional<std::string> font;  // a fontconfig pattern or a font file's path
  bool quiet = false;
  bool help = false;
  bool version = false;  // --version: print "eveda-batch <version>" and exit 0
};

extern const char* const kUsage;

// Parses the arguments after the program's name; the error is a one-line reason.
eveda::Result<BatchOptions, std::string> ParseBatchOptions(std::span<const std::string_view> args);

// Whether -o names a Deep Zoom pyramid's descriptor.
bool ToPyramid(const BatchOptions& options);

// The format the output is written in: -O's, else the extension's, else BMP.
formats::OutputFormat OutputFormatFor(const BatchOptions& options);

// The pyramid `options` ask for (when -o names a .dzi).
pyramid::DeepZoomOptions DeepZoomOptionsOf(const BatchOptions& options);

// True for a text that is wholly a decimal number: sign, digits, one point, exponent.
bool IsStrictNumber(std::string_view text);

}  // namespace app
