#include <chrono>
#include <optional>

#include "dsmod/image_file.h"
#include "main_window/draw_tiles.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "main_window/image_sources.h"
#include "main_window/output_canvas.h"
#include "main_window/output_name.h"
#include "main_window/run_messages.h"

namespace main_window {

using Outcome = RunReport::Outcome;

// PNG and JPEG sources are decoded ahead of the drawing, on both cores: more than a grid
// row of them, so that decoding goes on while a row's bands are drawn and written.
constexpr std::size_t kDecodedSourcesAhead = 64;

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
  lastRun_.fileKind = encoder_ ? OutputFileKind::Encoded : OutputFileKind::Bmp;
  if ((OutWidth > 1000 || OutHeight > 1000) &&
      ui_.MsgBox(LargeOutputQuestion(OutWidth, OutHeight), toolkit::kStyleOkCancelDefaultCancel) ==
          toolkit::kAnswerCancel) {
    lastRun_.outcome = Outcome::Declined;
    return;
  }

  ui_.SetTitle(kPreparingTitle);
  ui_.DoEvents();
  auto bands = CreateOutputBands(ui_.WindowDC(), OutWidth, OutHeight,
                                 BandRowsFor(job.settings, OutWidth, OutHeight), lastRun_.fileKind);
  if (!bands) {
    FinishRun(Outcome::CanvasFailed, CanvasFailureMessage(bands.error(), OutWidth, OutHeight));
    return;
  }
  // The file is written while the bands are drawn; its failures are told after the drawing,
  // where a failed save is always told.
  std::optional<DSMod::ImageFile> file(std::in_place, job.outputPath, OutWidth, OutHeight,
                                       encoder_);
  GridPassResult pass = DrawAndWriteBands(*bands, job, *file);
  lastRun_.notDrawn = std::move(pass.notDrawn);
  if (!pass.stopped && !run_.stopRequested) {
    ui_.SetTitle(kSavingTitle);
    ui_.DoEvents();
  }
  if (pass.stopped || run_.stopRequested) {  // the unnamed file goes; an old output stays
    file.reset();
    ReleaseOutputBands(*bands);
    FinishRun(Outcome::Stopped, {});
    return;
  }
  const auto saved = FinishSave(*file, job);
  file.reset();
  ReleaseOutputBands(*bands);
  if (!saved && saved.error().kind == DSMod::SaveError::Kind::Stopped) {
    FinishRun(Outcome::Stopped, {});
    return;
  }
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
  job.settings = TileSettingsOf(job_);
  job.files = job_.FileList;
  job.outputPath = job_.OutputPath;
  job.keepExistingOutput = keepExistingOutput_;
  return job;
}

GridPassResult Form1::DrawAndWriteBands(OutputBands& bands, const RunSnapshot& job,
                                        DSMod::ImageFile& file) {
  return DrawGridBands(
      job.settings, job.files, bands,
      [&file](const DSMod::Band& band) {
        file.WriteRows(band.TopRow(), band.RowStep(), band.Rows);
      },
      [this](std::int32_t done, std::int32_t n) {
        ui_.SetTitle(DrawingTitle(done, n));
        ui_.DoEvents();
        return !run_.stopRequested;
      },
      open_                       ? open_
      : job.settings.OtherFormats ? ImageSourceOpener(job.settings.BackColor)
                                  : open_,
      !open_ && job.settings.OtherFormats ? kDecodedSourcesAhead : 0);
}

// The title shows how much of the file is on disk once the flush has taken a moment, so that
// a large save never looks like a frozen window. The window's events are handled meanwhile,
// so a stop the user agrees to there gives the save up while the file has no name yet.
eveda::Result<std::string, DSMod::SaveError> Form1::FinishSave(DSMod::ImageFile& file,
                                                               const RunSnapshot& job) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  int shown = -1;
  return file.Finish(NextOutputName(job), [&](int percent) {
    if (percent != shown && Clock::now() - start >= savingProgressDelay_) {
      shown = percent;
      ui_.SetTitle(SavingTitle(percent));
      ui_.DoEvents();
    }
    return !run_.stopRequested;
  });
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
