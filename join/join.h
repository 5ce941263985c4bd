#pragma once
// The join: sources drawn into their cells of one grid image and written to one file, the one
// operation both programs call. The window and eveda-batch each fill a request from what their
// user said, watch the typed progress, and speak the report in their own language.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "dsmod/file_system.h"
#include "formats/output_formats.h"
#include "formats/source_error.h"
#include "formats/source_reader.h"
#include "join/cell_captions.h"
#include "join/grid_plan.h"
#include "join/picture_source.h"
#include "platform/gdi/gdi.h"
#include "pyramid/deep_zoom.h"

namespace join {

struct OutputRequest {
  std::string path;  // DSMod::kStandardOutput for standard output
  formats::OutputFormat format = formats::BmpOutput();
  formats::EncodeOptions encode;
  // When the name has been taken since it was chosen: the next one to try. Without it the
  // file of that name is replaced.
  DSMod::NextOutputName nextName;
  // Given: the output is a Deep Zoom pyramid, `path` its descriptor, and `format` unused.
  std::optional<pyramid::DeepZoomOptions> pyramid;
};

struct JoinRequest {
  std::vector<std::string> sources;  // paths, in list order
  const formats::SourceReader* reader = &formats::SourceReader::BmpOnly();
  Layout layout;
  gdi::COLORREF background = 0;
  OutputRequest output;
  gdi::HDC referenceDC{};  // the context the output's is made compatible with (the screen's)
  DSMod::detail::FileSystem* fileSystem = &DSMod::detail::SystemFileSystem();
  // Draws the caption in each cell's strip (layout.CaptionHeight rows); none without it.
  CellCaptions* captions = nullptr;
  bool reportDrawn = false;  // fill JoinReport::drawn, for a map of the cells
  // When given, the fits that scale (contain, cover, stretch) draw their sources as
  // photographs (picture_source.h); without it they scale as the window does.
  std::optional<PictureRules> pictures;
};

enum class Phase {
  Preparing,  // before the output is made: done and total 0; then, for photographs, done of
              // total sources made ready (the drawing count follows once cells are finished)
  Drawing,    // done of total sources finished, drawn or not
  Saving,     // every source is drawn and the file is to be finished: done and total 0
  Flushing,   // done of total (100) per cent of the file's bytes on disk
};

class JoinObserver {
 public:
  virtual ~JoinObserver() = default;
  virtual void Progress(Phase phase, std::int64_t done, std::int64_t total) = 0;
  // Asked after every source and every step of the save: true stops the join while the file
  // has no name yet, and then nothing is written.
  virtual bool StopRequested() = 0;
};

// A source whose cell kept the background colour.
struct NotDrawnSource {
  std::int32_t index = 0;  // in the request's sources, from 0
  std::string path;
  formats::SourceError error;
  friend bool operator==(const NotDrawnSource&, const NotDrawnSource&) = default;
};

struct JoinReport {
  enum class Outcome {
    InvalidLayout,  // the layout makes no grid of these sources
    CanvasFailed,   // the output could not be made (canvasError); nothing was drawn
    SaveFailed,     // drawn, but the file could not be written (saveError); nothing is left
    Written,
    Stopped,  // stopped before the file had its name: nothing was written, an older file stays
  };
  Outcome outcome = Outcome::InvalidLayout;
  GridSize grid;
  std::string path;  // where the file went: the name asked for, or the next free one
  std::vector<NotDrawnSource> notDrawn;  // in source order
  // With JoinRequest::reportDrawn: per source, where its pixels went (empty when not opened).
  std::vector<DrawnRect> drawn;
  std::vector<SourceNote> notes;  // drawn, but not wholly as asked; in source order
  DSMod::CanvasError canvasError = DSMod::CanvasError::BadSize;
  DSMod::SaveError saveError;
};

JoinReport Join(const JoinRequest& request, JoinObserver& observer);

}  // namespace join
