#pragma once
// A source drawn as a photograph: decoded as a stream of rows, turned as its EXIF says, its
// colours brought to sRGB, resampled by a filter made for pictures and blended over the
// background, into exactly the pixels of its cell. The window's drawing (StretchBlt's shrink,
// which merges pixels by AND so that thin lines survive) is right for the window's BMPs and
// wrong for photographs, which it posterises.
//
// The work is done when the source is opened, on the prefetch threads, so decoding and
// resampling run on both cores; what is kept is the cell's finished pixels only. The stream
// is read a row at a time and the resampler holds only its kernel's rows, so a source of any
// size costs a few of its rows plus its cell.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "formats/source_reader.h"
#include "join/grid_plan.h"
#include "pictures/filter.h"
#include "platform/bmp_loader/row_source.h"

namespace join {

struct PictureRules {
  pictures::Filter filter = pictures::Filter::kLanczos3;
  bool rotate = true;   // apply the EXIF orientation
  bool profile = true;  // convert an embedded ICC profile to sRGB
};

// What a source's drawing had to leave out, told beside the written file.
struct SourceNote {
  std::int32_t index = 0;  // in the request's sources, from 0
  std::string note;
  friend bool operator==(const SourceNote&, const SourceNote&) = default;
};

// Notes gathered from the threads that open the sources.
class SourceNotes {
 public:
  void Add(std::int32_t index, std::string note);
  std::vector<SourceNote> Sorted();

 private:
  std::mutex mutex_;
  std::vector<SourceNote> notes_;
};

struct PictureJob {
  const formats::SourceReader* reader = nullptr;
  Layout layout;  // the fit asked for
  std::int32_t canvasWidth = 0;
  std::uint32_t background = 0;  // a COLORREF
  PictureRules rules;
  SourceNotes* notes = nullptr;
  // Held while a source that decodes into a whole frame is made: two such frames (a progressive
  // 4096 x 4096 JPEG holds 100 MB of coefficients) on the two threads at once would double the
  // peak for no gain in a contact sheet.
  std::mutex* wholeFrames = nullptr;
};

// Every cell of a grid row is open while the bands cross it, so a row of cells finished when
// their sources are opened (decoded, resampled, on the prefetch threads) may hold at most
// this much; beyond it (52 photographs of 512 x 512 across) cells are made as the bands reach
// them.
inline constexpr std::uint64_t kWholeRowBytes = std::uint64_t{16} << 20;
bool CellsFinishedWhenOpened(const PictureJob& job);

// Opens `path`, the source of cell `i` (from 1), as the pixels its cell shows: the part of
// ScaledRect inside the cell, in `own.decoded`, to be placed as Centre places a source of its
// size (which puts it where ScaledRect says).
eveda::Result<bmp_loader::RowSource, formats::SourceError> OpenPicture(const PictureJob& job,
                                                                       const std::string& path,
                                                                       std::int32_t i,
                                                                       bmp_loader::RowBuffers& own);

// The rectangle `shown` of a picture shown at `orientation` (shown size width x height), in
// the stored picture's coordinates.
Rect StoredRect(const Rect& shown, std::int64_t width, std::int64_t height, int orientation);

}  // namespace join
