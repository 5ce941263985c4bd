#include "main_window/run_messages.h"

#include <algorithm>

#include "join/output_bands.h"

namespace main_window {
namespace {

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name that carries control characters (a newline, an escape) would break the list apart
// or worse; each shows as '?'.
std::string PrintableName(std::string name) {
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return name;
}

}  // namespace

std::string SizeText(std::int32_t width, std::int32_t height) {
  return Fill(WindowText::SizeText, {std::to_string(width), std::to_string(height)});
}

std::string DrawingTitle(std::int32_t i, std::int32_t n) {
  return Fill(WindowText::DrawingTitle, {std::to_string(i), std::to_string(n)});
}

std::string SavingTitle(int percent) {
  return std::string(kSavingTitle) + " " + std::to_string(percent) + "%";
}

std::string LargeOutputQuestion(std::int32_t width, std::int32_t height) {
  return Fill(WindowText::LargeOutputQuestion, {SizeText(width, height)});
}

std::string CanvasFailureMessage(DSMod::CanvasError error, std::int32_t width,
                                 std::int32_t height) {
  switch (error) {
    case DSMod::CanvasError::BadSize:
      return Fill(WindowText::CanvasBadSize, {SizeText(width, height)});
    case DSMod::CanvasError::Overflow:
      return Fill(WindowText::CanvasOverflow,
                  {SizeText(width, height), std::to_string(join::kMaxBmpFileGigabytes)});
    case DSMod::CanvasError::OutOfMemory:
      return Fill(WindowText::CanvasOutOfMemory, {SizeText(width, height)});
    case DSMod::CanvasError::BadPalette:
      break;
  }
  return std::string(TextOf(WindowText::CanvasFailed));
}

std::string SaveFailureMessage(const std::string& path, const DSMod::SaveError& error) {
  std::string text = Fill(WindowText::SaveFailed, {path});
  if (!error.reason.empty()) text += Fill(WindowText::SaveFailedReason, {error.reason});
  return text;
}

std::string NotDrawnMessage(const std::vector<join::NotDrawnSource>& sources) {
  constexpr std::size_t kNamesShown = 10;
  std::string text = Fill(WindowText::NotDrawnHead, {std::to_string(sources.size())});
  const std::size_t shown = std::min(sources.size(), kNamesShown);
  for (std::size_t k = 0; k < shown; ++k) {
    text += Fill(WindowText::NotDrawnSource,
                 {PrintableName(FileNameOf(sources[k].path)),
                  bmp_loader::ReasonTextOf(sources[k].error.reason).japanese});
  }
  if (sources.size() > shown)
    text += Fill(WindowText::NotDrawnMore, {std::to_string(sources.size() - shown)});
  return text;
}

}  // namespace main_window
