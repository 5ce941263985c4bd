#pragma once
// The command line of eveda-batch.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/result.h"

namespace batch {

struct BatchOptions {
  std::string directory;
  // Numbers stay text: they are typed into the window's boxes, which read them.
  std::optional<std::string> blockWidth;
  std::optional<std::string> blockHeight;
  std::optional<std::string> spacing;
  std::optional<std::string> wrap;
  std::optional<int> order;  // list positions 0 to 2
  std::optional<int> fit;    // 3: contain, which the window's list does not offer
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

// Whether `path` names a PNG output: it ends in ".png", any case.
bool IsPngOutputPath(std::string_view path);

// True for a text that is wholly a decimal number: sign, digits, one point, exponent.
bool IsStrictNumber(std::string_view text);

}  // namespace batch
