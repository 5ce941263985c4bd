#include <optional>

#include "dsmod/canvas_file.h"
#include "main_window/draw_tiles.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "main_window/output_canvas.h"
#include "main_window/output_name.h"
#include "main_window/run_messages.h"

namespace main_window {

using Outcome = RunReport::Outcome;

void Form1::PlemoBMP() {
  BusyScope busy(*this);
  RunScope run(*this);
  lastRun_ = RunReport{};
  std::int32_t Columns = 0, Rows = 0, OutWidth = 0, OutHeight = 0;
  if (!CalcSize(Columns, Rows, OutWidth, OutHeight)) {
    lastRun_.outcome = Outcome::InvalidSettings;
    lastRun_.reason = kInvalidSettingsMessage;
    ui_.MsgBox(kInvalidSettingsMessage, toolkit::kStyleOkExclamation);
    return;
  }
  const RunSnapshot job = TakeRunSnapshot();
  lastRun_.outputPath = job.outputPath;
  lastRun_.width = OutWidth;
  lastRun_.height = OutHeight;
  if ((OutWidth > 1000 || OutHeight > 1000) &&
      ui_.MsgBox(LargeOutputQuestion(OutWidth, OutHeight), toolkit::kStyleOkCancelDefaultCancel) ==
          toolkit::kAnswerCancel) {
    lastRun_.outcome = Outcome::Declined;
    return;
  }

  ui_.SetTitle(kPreparingTitle);
  ui_.DoEvents();
  auto canvas = CreateOutputCanvas(ui_.WindowDC(), OutWidth, OutHeight);
  if (!canvas) {
    FinishRun(Outcome::CanvasFailed, CanvasFailureMessage(canvas.error(), OutWidth, OutHeight));
    return;
  }
  // The file is written while the tiles are drawn; its failures are told after the drawing,
  // where a failed save is always told.
  std::optional<DSMod::CanvasFile> file(std::in_place, *canvas, job.outputPath, job.pngLevel);
  for (const SkippedSource& skipped : DrawTiles(*canvas, job, *file)) {
    lastRun_.notDrawn.push_back(
        {job.files[static_cast<std::size_t>(skipped.index)], skipped.reason, skipped.detail});
  }
  if (!run_.stopRequested) {
    ui_.SetTitle(kSavingTitle);
    ui_.DoEvents();
  }
  if (run_.stopRequested) {  // the unnamed file goes with the CanvasFile
    file.reset();
    DSMod::ReleaseCanvas(*canvas);
    FinishRun(Outcome::Stopped, {});
    return;
  }
  const auto saved = file->Finish(NextOutputName(job));
  file.reset();
  DSMod::ReleaseCanvas(*canvas);
  if (!saved) {
    lastRun_.saveError = saved.error();
    FinishRun(Outcome::SaveFailed, SaveFailureMessage(job.outputPath, saved.error()));
    return;
  }
  lastRun_.outputPath = *saved;
  FinishRun(Outcome::Written,
            lastRun_.notDrawn.empty() ? std::string() : NotDrawnMessage(lastRun_.notDrawn));
}

// The title returns to rest first, so that a message is read against a finished window.
void Form1::FinishRun(RunReport::Outcome outcome, std::string message) {
  lastRun_.outcome = outcome;
  ui_.SetTitle(kReadyTitle);
  if (!message.empty()) ui_.MsgBox(message, toolkit::kStyleOkExclamation);
  lastRun_.reason = std::move(message);
}

Form1::RunSnapshot Form1::TakeRunSnapshot() const {
  RunSnapshot job;
  job.settings.BlockWidth = job_.BlockWidth.value_or(0);
  job.settings.BlockHeight = job_.BlockHeight;
  job.settings.Spacing = job_.Spacing;
  job.settings.WrapCount = job_.WrapCount;
  job.settings.ArrangeOrder = job_.ArrangeOrder;
  job.settings.FitMode = job_.FitMode;
  job.settings.BackColor = job_.BackColor;
  job.settings.OtherFormats = OtherFormatsListed(job_.SourcePatterns);
  job.files = job_.FileList;
  job.outputPath = job_.OutputPath;
  job.keepExistingOutput = keepExistingOutput_;
  job.pngLevel = job_.PngLevel;
  return job;
}

std::vector<SkippedSource> Form1::DrawTiles(DSMod::Canvas& canvas, const RunSnapshot& job,
                                            DSMod::CanvasFile& file) {
  return DrawTilesPass(
      job.settings, job.files, canvas,
      [this](std::int32_t i, std::int32_t n) {
        ui_.SetTitle(DrawingTitle(i, n));
        ui_.DoEvents();
        return !run_.stopRequested;
      },
      [&file](std::int32_t rows) { file.RowsFinished(rows); });
}

// A name the scan proposed is only a proposal: when another program has taken it since, the
// next free name in the same directory is used instead of replacing that file.
DSMod::NextOutputName Form1::NextOutputName(const RunSnapshot& job) {
  if (!job.keepExistingOutput) return {};
  // Only when all 999 are taken does the search give back the name that was just refused; a
  // name another run takes between the search and the link is simply searched past again.
  return [](const std::string& taken) -> std::optional<std::string> {
    std::string next = ChooseOutputPath(DirectoryOf(taken));
    if (next == taken) return std::nullopt;
    return next;
  };
}

Form1::BusyScope::BusyScope(Form1& form) : form_(form), outer_(!form.busy_) {
  if (!outer_) return;
  form_.busy_ = true;
  form_.ui_.SetEnabled({toolkit::Group::Command1, 0}, false);
  form_.ui_.SetEnabled({toolkit::Group::Command4, 0}, false);
}

Form1::BusyScope::~BusyScope() {
  if (!outer_) return;
  form_.busy_ = false;
  form_.ui_.SetEnabled({toolkit::Group::Command1, 0}, true);
  form_.ui_.SetEnabled({toolkit::Group::Command4, 0}, true);
}

Form1::RunScope::RunScope(Form1& form) : form_(form) { form_.run_ = RunState{.active = true}; }

Form1::RunScope::~RunScope() {
  const bool unload = form_.run_.unloadWhenEnded;
  form_.run_ = RunState{};
  if (unload) form_.ui_.Unload();
}

}  // namespace main_window
