#include <chrono>

#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "main_window/run_messages.h"

namespace main_window {

using Outcome = RunReport::Outcome;

// The join's progress as the window shows it: the titles, with the window's events handled
// after each, and the user's stop agreed to there.
class Form1::RunObserver final : public join::JoinObserver {
 public:
  explicit RunObserver(Form1& form) : form_(form) {}

  void Progress(join::Phase phase, std::int64_t done, std::int64_t total) override {
    switch (phase) {
      case join::Phase::Preparing:
        return Show(kPreparingTitle);
      case join::Phase::Drawing:
        return Show(
            DrawingTitle(static_cast<std::int32_t>(done), static_cast<std::int32_t>(total)));
      case join::Phase::Saving:
        Show(kSavingTitle);
        savingSince_ = Clock::now();
        return;
      case join::Phase::Flushing:
        return ShowFlushed(static_cast<int>(done));
    }
  }
  bool StopRequested() override { return form_.run_.stopRequested; }

 private:
  using Clock = std::chrono::steady_clock;

  void Show(const std::string& title) {
    form_.ui_.SetTitle(title);
    form_.ui_.DoEvents();
  }
  // How much of the file is on disk, once the flush has taken a moment, so that a large save
  // never looks like a frozen window; a short one never flashes a percentage.
  void ShowFlushed(int percent) {
    if (percent == shown_ || Clock::now() - savingSince_ < form_.savingProgressDelay_) return;
    shown_ = percent;
    Show(SavingTitle(percent));
  }

  Form1& form_;
  Clock::time_point savingSince_ = Clock::now();
  int shown_ = -1;
};

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
  const join::JoinRequest request = RequestOf(job_);
  lastRun_.outputPath = request.output.path;
  lastRun_.width = OutWidth;
  lastRun_.height = OutHeight;
  if ((OutWidth > 1000 || OutHeight > 1000) &&
      ui_.MsgBox(LargeOutputQuestion(OutWidth, OutHeight), toolkit::kStyleOkCancelDefaultCancel) ==
          toolkit::kAnswerCancel) {
    lastRun_.outcome = Outcome::Declined;
    return;
  }
  RunObserver observer(*this);
  Report(join::Join(request, observer));
}

join::JoinRequest Form1::RequestOf(const JobState& job) const {
  join::JoinRequest request;
  request.sources.assign(job.FileList.begin() + 1, job.FileList.end());
  request.layout = LayoutOf(job);
  request.background = job.BackColor;
  request.output.path = job.OutputPath;
  request.referenceDC = ui_.WindowDC();
  request.fileSystem = &fileSystem_;
  return request;
}

// What the run says once the join is over.
void Form1::Report(const join::JoinReport& report) {
  lastRun_.notDrawn = report.notDrawn;
  switch (report.outcome) {
    case join::JoinReport::Outcome::InvalidLayout:
      return FinishRun(Outcome::InvalidSettings, kInvalidSettingsMessage);
    case join::JoinReport::Outcome::CanvasFailed:
      return FinishRun(Outcome::CanvasFailed,
                       CanvasFailureMessage(report.canvasError, lastRun_.width, lastRun_.height));
    case join::JoinReport::Outcome::Stopped:
      return FinishRun(Outcome::Stopped, {});
    case join::JoinReport::Outcome::SaveFailed:
      lastRun_.saveError = report.saveError;
      return FinishRun(Outcome::SaveFailed,
                       SaveFailureMessage(lastRun_.outputPath, report.saveError));
    case join::JoinReport::Outcome::Written:
      lastRun_.outputPath = report.path;
      return FinishRun(Outcome::Written,
                       report.notDrawn.empty() ? std::string() : NotDrawnMessage(report.notDrawn));
  }
}

// The title returns to rest first, so that a message is read against a finished window.
void Form1::FinishRun(RunReport::Outcome outcome, std::string message) {
  lastRun_.outcome = outcome;
  ui_.SetTitle(kReadyTitle);
  if (!message.empty()) ui_.MsgBox(message, toolkit::kStyleOkExclamation);
  lastRun_.reason = std::move(message);
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
