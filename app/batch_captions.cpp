#include "app/batch_captions.h"

#include <algorithm>

#include "text/caption_format.h"
#include "text/caption_strip.h"

namespace app {

int CaptionSizeFor(const BatchOptions& options, double cellWidth) {
  if (options.labelSize) return *options.labelSize;
  constexpr int kSmallest = 6;
  if (cellWidth >= 8.0 * text::kDefaultCaptionSize) return text::kDefaultCaptionSize;
  return std::max(kSmallest, static_cast<int>(cellWidth / 8));
}

eveda::Result<text::CaptionFont, std::string> OpenCaptionFont(const BatchOptions& options,
                                                              int size) {
  return text::CaptionFont::Open(options.font.value_or(std::string(text::kDefaultCaptionFont)),
                                 size);
}

BatchCaptions::BatchCaptions(const BatchOptions& options, text::CaptionFont font,
                             const std::vector<join::ScannedSource>& sources)
    : format_(options.label.value_or("")),
      font_(std::move(font)),
      colour_(
          options.labelColour.value_or(text::ContrastingColour(options.background.value_or(0)))),
      sources_(sources) {}

void BatchCaptions::Draw(std::int32_t index, std::int32_t width, std::int32_t height,
                         std::uint8_t* topRow, std::ptrdiff_t stride) {
  const join::ScannedSource& source = sources_[static_cast<std::size_t>(index)];
  const text::CaptionFields fields{source.path, index + 1,
                                   static_cast<std::int64_t>(sources_.size()), source.size.width,
                                   source.size.height};
  font_.Draw(text::ExpandCaption(format_, fields), width, height, colour_, topRow, stride);
}

}  // namespace app
