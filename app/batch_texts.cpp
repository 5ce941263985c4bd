#include "app/batch_texts.h"

#include "app/shell_quote.h"
#include "formats/bmp/bmp.h"
#include "join/output_bands.h"

namespace app {
namespace {

using Outcome = join::JoinReport::Outcome;

std::string SizeText(const join::GridSize& grid) {
  return std::to_string(grid.Width) + " x " + std::to_string(grid.Height);
}

std::string CanvasFailureText(const join::JoinReport& report, const formats::OutputFormat& format) {
  const join::GridSize& grid = report.grid;
  if (!format.Holds(grid.Width, grid.Height))
    return "the output image (" + SizeText(grid) + ") exceeds the " +
           std::to_string(format.maxSide) + " pixels a side of a " + std::string(format.name) +
           " file";
  if (format.bmpFileLimit && !formats::FitsInBmpFile(grid.Width, grid.Height) && grid.Width >= 1 &&
      grid.Height >= 1)
    return "the output image (" + SizeText(grid) + ") exceeds the " +
           std::to_string(formats::kMaxBmpFileGigabytes) + " GB limit of a BMP file";
  if (!format.bmpFileLimit && grid.Width > join::kMaxBandWidth)
    return "the output image (" + SizeText(grid) + ") is wider than the " +
           std::to_string(join::kMaxBandWidth) + " pixels a " + std::string(format.name) +
           " output may have";
  if (grid.Width < 1 || grid.Height < 1)
    return "the output image would be " + SizeText(grid) + ", which cannot be made";
  return "out of memory for the output image (" + SizeText(grid) + ")";
}

}  // namespace

std::string FailureText(const join::JoinReport& report, const formats::OutputFormat& format) {
  switch (report.outcome) {
    case Outcome::CanvasFailed:
      return CanvasFailureText(report, format);
    case Outcome::SaveFailed: {
      std::string text = "could not save " + ShellQuoted(report.path);
      if (!report.saveError.reason.empty()) text += ": " + report.saveError.reason;
      return text;
    }
    case Outcome::Stopped:  // never here: no question is asked, a signal ends the run
    case Outcome::Written:
    case Outcome::InvalidLayout:
      break;
  }
  return "the settings are not valid";
}

std::string ReasonText(const formats::SourceError& error) {
  return error.detail.empty() ? std::string(bmp_loader::Describe(error.reason)) : error.detail;
}

}  // namespace app
