#include "join/join.h"

#include <mutex>

#include "dsmod/image_file.h"
#include "join/band_pass.h"
#include "join/output_bands.h"
#include "join/picture_source.h"
#include "join/stored_rows.h"
#include "pyramid/pyramid_writer.h"

namespace join {
namespace {

using Outcome = JoinReport::Outcome;

// Decoded sources are opened ahead of the drawing, on both cores: more than a grid row of
// them, so that decoding goes on while a row's bands are drawn and written. BMP rows cost
// less to read than to draw and are read in turn.
constexpr std::size_t kDecodedSourcesAhead = 64;
// Cells made as the bands reach them cost little to open: a few ahead hide the files' reads.
constexpr std::size_t kMadeAsDrawnAhead = 8;

std::size_t SourcesAhead(bool decoded, bool madeAsDrawn) {
  if (!decoded) return 0;
  return madeAsDrawn ? kMadeAsDrawnAhead : kDecodedSourcesAhead;
}

SourceOpener OpenerOf(const JoinRequest& request) {
  return [&request](std::int32_t index, bmp_loader::RowBuffers& own,
                    bmp_loader::ScratchBuffer& scratch) {
    return request.reader->Open(request.sources[static_cast<std::size_t>(index)], own, scratch,
                                request.background);
  };
}

// The file, or the pyramid, that the finished bands go to.
std::unique_ptr<DSMod::BandSink> OutputOf(const JoinRequest& request, const GridSize& grid) {
  const OutputRequest& output = request.output;
  if (output.pyramid)
    return std::make_unique<pyramid::PyramidWriter>(output.path, grid.Width, grid.Height,
                                                    *output.pyramid, *request.fileSystem);
  return std::make_unique<DSMod::ImageFile>(output.path, grid.Width, grid.Height,
                                            output.format.encoder(output.encode),
                                            *request.fileSystem, output.format.writesInOrder);
}

bool DrawsPictures(const JoinRequest& request) {
  const FitMode fit = request.layout.FitMode;
  return request.pictures &&
         (fit == FitMode::Contain || fit == FitMode::Cover || fit == FitMode::Stretch);
}

// Photographs arrive as their cells' finished pixels, which are placed as Centre places a
// source of their size: exactly where ScaledRect put them.
SourceOpener PictureOpenerOf(const JoinRequest& request, const PictureJob& job) {
  return [&request, &job](std::int32_t index, bmp_loader::RowBuffers& own,
                          bmp_loader::ScratchBuffer&) {
    return OpenPicture(job, request.sources[static_cast<std::size_t>(index)], index + 1, own);
  };
}

// The fits that draw 1:1 (top left, centre) draw a source as the window does unless it says
// how it is to be shown: a turn or a colour profile the rules apply. A file that cannot be
// probed or opened is left to the window's opener, which tells why.
bool ShownOtherwiseThanStored(const PictureJob& job, const std::string& path) {
  const auto probed = job.reader->Probe(path);
  if (!probed) return false;
  if (job.rules.rotate && probed->orientation != 1) return true;
  if (!job.rules.profile) return false;
  if (probed->profiled) return *probed->profiled;
  const auto stream = job.reader->OpenStream(path, {});
  return stream && !(*stream)->Info().iccProfile.empty();
}

// Sources opened as the window opens them, or drawn 1:1 as photographs when they are turned or
// profiled; either is placed as the fit places a source of its size.
SourceOpener TaggedPictureOpenerOf(const JoinRequest& request, const PictureJob& job) {
  return [&request, &job, plain = OpenerOf(request)](
             std::int32_t index, bmp_loader::RowBuffers& own, bmp_loader::ScratchBuffer& scratch) {
    const std::string& path = request.sources[static_cast<std::size_t>(index)];
    if (ShownOtherwiseThanStored(job, path)) return OpenPicture(job, path, index + 1, own);
    if (!CellsFinishedWhenOpened(job)) {
      if (auto rows = OpenStoredRows(*job.reader, path, job.background, own))
        return eveda::Result<bmp_loader::RowSource, formats::SourceError>(std::move(*rows));
    }
    return plain(index, own, scratch);
  };
}

// Until the first cell is finished, the count of pictures made: a grid row of photographs
// takes seconds before its first cell is done.
TileProgress PicturesMade(JoinObserver& observer, const std::int32_t& finished) {
  return [&observer, &finished](std::int32_t made, std::int32_t n) {
    if (finished == 0) observer.Progress(Phase::Preparing, made, n);
    return !observer.StopRequested();
  };
}

// Draws every source into the bands, which go to `file` as they are finished.
GridPassResult DrawInto(OutputBands& bands, DSMod::BandSink& file, const JoinRequest& request,
                        JoinObserver& observer, JoinReport& report, SourceNotes& notes) {
  const auto count = static_cast<std::int32_t>(request.sources.size());
  const bool pictures = DrawsPictures(request);
  const FitMode fit = request.layout.FitMode;
  // A BMP carries neither a turn nor a profile: a job that reads BMP only opens as the window.
  const bool tagged = request.pictures && request.reader->DecodesWhole() &&
                      (fit == FitMode::TopLeft || fit == FitMode::Centre);
  Layout layout = request.layout;
  PictureJob job;
  std::mutex wholeFrames;
  if (pictures || tagged) {
    job = PictureJob{request.reader,    request.layout, bands.front().Width, request.background,
                     *request.pictures, &notes,         &wholeFrames};
    if (pictures) layout.FitMode = FitMode::Centre;
  }
  std::int32_t finished = 0;
  // Resampling costs more than drawing whatever the format: photographs are made ahead.
  const bool ahead = pictures || request.reader->DecodesWhole();
  return DrawGridBands(
      layout, request.background, count, bands,
      [&file](const DSMod::Band& band) {
        file.WriteRows(band.TopRow(), band.RowStep(), band.Rows);
      },
      [&observer, &finished](std::int32_t done, std::int32_t n) {
        finished = done;
        observer.Progress(Phase::Drawing, done, n);
        return !observer.StopRequested();
      },
      pictures ? PictureOpenerOf(request, job)
      : tagged ? TaggedPictureOpenerOf(request, job)
               : OpenerOf(request),
      SourcesAhead(ahead, (pictures || tagged) && !CellsFinishedWhenOpened(job)), request.captions,
      request.reportDrawn ? &report.drawn : nullptr,
      pictures ? PicturesMade(observer, finished) : TileProgress());
}

void NameTheUndrawn(const JoinRequest& request, const GridPassResult& pass, JoinReport& report) {
  for (const PassRefusal& refusal : pass.notDrawn) {
    report.notDrawn.push_back(
        {refusal.index, request.sources[static_cast<std::size_t>(refusal.index)], refusal.error});
  }
}

}  // namespace

JoinReport Join(const JoinRequest& request, JoinObserver& observer) {
  JoinReport report;
  report.path = request.output.path;
  const auto grid = GridOf(request.layout, static_cast<std::int32_t>(request.sources.size()));
  if (!grid) return report;
  report.grid = *grid;
  observer.Progress(Phase::Preparing, 0, 0);
  const OutputRequest& output = request.output;
  if (!output.format.Holds(grid->Width, grid->Height)) {  // told before anything is drawn
    report.outcome = Outcome::CanvasFailed;
    report.canvasError = DSMod::CanvasError::Overflow;
    return report;
  }
  // Declared before the file, so that the file's writer has stopped before the bands go.
  auto bands = CreateOutputBands(request.referenceDC, grid->Width, grid->Height,
                                 BandRowsFor(request.layout, grid->Width, grid->Height),
                                 output.format.bmpFileLimit && !output.pyramid);
  if (!bands) {
    report.outcome = Outcome::CanvasFailed;
    report.canvasError = bands.error();
    return report;
  }
  // The file is written while the bands are drawn; its failures are told once they are drawn.
  const std::unique_ptr<DSMod::BandSink> file = OutputOf(request, *grid);
  SourceNotes notes;
  const GridPassResult pass = DrawInto(*bands, *file, request, observer, report, notes);
  NameTheUndrawn(request, pass, report);
  report.notes = notes.Sorted();
  if (!pass.stopped && !observer.StopRequested()) observer.Progress(Phase::Saving, 0, 0);
  if (pass.stopped || observer.StopRequested()) {  // the unnamed file goes; an old output stays
    report.outcome = Outcome::Stopped;
    return report;
  }
  const auto saved = file->Finish(output.nextName, [&observer](int percent) {
    observer.Progress(Phase::Flushing, percent, 100);
    return !observer.StopRequested();
  });
  if (!saved) {
    const bool stopped = saved.error().kind == DSMod::SaveError::Kind::Stopped;
    report.outcome = stopped ? Outcome::Stopped : Outcome::SaveFailed;
    report.saveError = saved.error();
    return report;
  }
  report.outcome = Outcome::Written;
  report.path = *saved;
  return report;
}

}  // namespace join
