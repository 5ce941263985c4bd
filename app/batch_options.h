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

namespace app {

struct BatchOptions {
  std::string directory;
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
  std::optional<int> compression;  // -z: zlib level of a PNG output
  std::optional<gdi::COLORREF> background;
  std::optional<std::string> output;
  bool quiet = false;
  bool help = false;
  bool version = false;  // --version: print "eveda-batch <version>" and exit 0
};

extern const char* const kUsage;

// Parses the arguments after the program's name; the error is a one-line reason.
eveda::Result<BatchOptions, std::string> ParseBatchOptions(std::span<const std::string_view> args);

// True for a text that is wholly a decimal number: sign, digits, one point, exponent.
bool IsStrictNumber(std::string_view text);

}  // namespace app
