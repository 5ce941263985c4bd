#include "app/batch_run.h"

#include <ostream>

#include "app/directory_check.h"
#include "app/shell_quote.h"
#include "gtfile/name_text.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "main_window/output_canvas.h"
#include "main_window/output_name.h"
#include "main_window/run_messages.h"
#include "platform/toolkit/console_toolkit.h"
#include "platform/toolkit/process_info.h"

namespace batch {
namespace {

using main_window::RunReport;
using toolkit::ControlRef;
using toolkit::Group;

constexpr const char* kPrefix = "eveda-batch: ";

// Types the given options into the window, exactly where a user would.
void EnterOptions(const BatchOptions& options, toolkit::Services& ui, main_window::Form1& form) {
  const std::optional<std::string>* boxes[] = {&options.blockWidth, &options.blockHeight,
                                               &options.spacing, &options.wrap};
  for (int index = 0; index < 4; ++index) {
    if (*boxes[index]) ui.SetText(ControlRef{Group::Text1, index}, **boxes[index]);
  }
  if (options.order) ui.SetListIndex(ControlRef{Group::Combo1, 0}, *options.order);
  if (options.fit == 3) {
    form.SetFitMode(main_window::FitMode::Contain);  // not in the window's list
  } else if (options.fit) {
    ui.SetListIndex(ControlRef{Group::Combo1, 1}, *options.fit);
  }
  if (options.background) form.SetBackColor(*options.background);
  // A name of our own choosing must not replace a file another run wrote meanwhile; a name
  // the user gave is replaced, as asked.
  if (options.output) {
    form.SetOutputPath(*options.output);
    if (IsPngOutputPath(*options.output)) form.SetPngOutput(options.compression.value_or(6));
  } else {
    form.KeepExistingOutput(true);
  }
}

// The listing compares names in lower case; the patterns are brought to it, so that -i '*.PNG'
// finds what -i '*.png' finds.
std::vector<std::string> LoweredPatterns(const std::vector<std::string>& patterns) {
  std::vector<std::string> lowered;
  for (const std::string& pattern : patterns) lowered.push_back(GTFile::LowerCaseName(pattern));
  return lowered;
}

// Why a run wrote nothing. The window's own text, except where it would print a path raw,
// and the file-size limit, which the command line states in English as it states the rest.
std::string FailureText(const RunReport& run) {
  if (run.outcome == RunReport::Outcome::CanvasFailed &&
      !main_window::OutputFitsInBmpFile(run.width, run.height)) {
    return "the output image (" + std::to_string(run.width) + " x " + std::to_string(run.height) +
           ") exceeds the 2 GB limit of a BMP file";
  }
  if (run.outcome == RunReport::Outcome::SaveFailed)
    return main_window::SaveFailureMessage(ShellQuoted(run.outputPath), run.saveError);
  return run.reason;
}

// The job after the scan: the options typed in, the run, and what it says.
int RunScanned(const BatchOptions& options, main_window::Form1& form, toolkit::Services& ui,
               std::ostream& out, std::ostream& err) {
  EnterOptions(options, ui, form);
  form.PlemoBMP();
  const RunReport& run = form.LastRun();
  if (run.outcome != RunReport::Outcome::Written) {
    err << kPrefix << FailureText(run) << '\n';
    return kExitNothingWritten;
  }
  // The window's message listing these is left unsaid: each file is named once, here.
  for (const main_window::NotDrawnSource& source : run.notDrawn)
    err << kPrefix << "could not read " << ShellQuoted(source.path) << ": "
        << (source.detail.empty() ? std::string(eveda::bmp::Describe(source.reason))
                                  : source.detail)
        << '\n';
  out << ShellQuoted(run.outputPath) << ' ' << run.width << 'x' << run.height << '\n';
  return run.notDrawn.empty() ? kExitWritten : kExitSomeSourcesUnread;
}

}  // namespace

int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  const std::string directory = ShellQuoted(options.directory);
  if (const auto problem = DirectoryProblem(options.directory)) {
    err << kPrefix << directory << ": " << *problem << '\n';
    return kExitNothingWritten;
  }
  toolkit::ConsoleToolkit ui(
      main_window::Form1Design(),
      {options.directory, toolkit::ExecutableDirectory(), &err,
       toolkit::ShouldShowProgress(options.quiet), main_window::kReadyTitle, kPrefix});
  main_window::Form1 form(ui);
  if (!options.include.empty()) form.SetSourcePatterns(LoweredPatterns(options.include));
  ui.Load();
  if (GTFile::UBound(form.Job().FileList) == 0) {
    err << kPrefix << (options.include.empty() ? "no BMP files in " : "no files matching -i in ")
        << directory << '\n';
    return kExitNothingWritten;
  }
  // The scan proposes the first free name, or the last one when none is free: the window
  // shows that name before the user runs, but a script would replace a file unasked.
  if (!options.output && main_window::NameIsTaken(form.Job().OutputPath)) {
    err << kPrefix << directory << ": plemo001.bmp to plemo999.bmp are all taken; give -o\n";
    return kExitNothingWritten;
  }
  return RunScanned(options, form, ui, out, err);
}

}  // namespace batch
