#pragma once
// eveda-batch's captions (-l): the format filled in for each source and drawn in the font and
// size the options name, in the caption colour.

#include <string>
#include <vector>

#include "app/batch_options.h"
#include "join/cell_captions.h"
#include "join/probe_sources.h"
#include "platform/result.h"
#include "text/caption_font.h"

namespace app {

// --label-size, else 12, or a cell narrower than 96 pixels's width / 8 (at least 6), so that
// a short name still fits a thumbnail.
int CaptionSizeFor(const BatchOptions& options, double cellWidth);

// --font (IPAPGothic without it) at `size`; the error names the font.
eveda::Result<text::CaptionFont, std::string> OpenCaptionFont(const BatchOptions& options,
                                                              int size);

class BatchCaptions final : public join::CellCaptions {
 public:
  // Captions of `sources`, which must outlive it; the colour is --label-color, else white or
  // black against the background.
  BatchCaptions(const BatchOptions& options, text::CaptionFont font,
                const std::vector<join::ScannedSource>& sources);

  void Draw(std::int32_t index, std::int32_t width, std::int32_t height, std::uint8_t* topRow,
            std::ptrdiff_t stride) override;

 private:
  std::string format_;
  text::CaptionFont font_;
  gdi::COLORREF colour_;
  const std::vector<join::ScannedSource>& sources_;
};

}  // namespace app
