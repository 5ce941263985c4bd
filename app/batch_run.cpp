#include "app/batch_run.h"

#include <ostream>

#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "platform/toolkit/console_toolkit.h"
#include "platform/toolkit/process_info.h"

namespace batch {
namespace {

using toolkit::ControlRef;
using toolkit::Group;

// Types the given options into the window, exactly where a user would.
void EnterOptions(const BatchOptions& options, toolkit::Services& ui, main_window::Form1& form) {
  const std::optional<std::string>* boxes[] = {&options.blockWidth, &options.blockHeight,
                                               &options.spacing, &options.wrap};
  for (int index = 0; index < 4; ++index) {
    if (*boxes[index]) ui.SetText(ControlRef{Group::Text1, index}, **boxes[index]);
  }
  if (options.order) ui.SetListIndex(ControlRef{Group::Combo1, 0}, *options.order);
  if (options.fit) ui.SetListIndex(ControlRef{Group::Combo1, 1}, *options.fit);
  if (options.background) form.SetBackColor(*options.background);
  if (options.output) form.SetOutputPath(*options.output);
}

}  // namespace

int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  toolkit::ConsoleToolkit ui(
      main_window::Form1Design(),
      {options.directory, toolkit::ExecutableDirectory(), &err,
       toolkit::ShouldShowProgress(options.quiet), main_window::kReadyTitle});
  main_window::Form1 form(ui);
  ui.Load();
  if (GTFile::UBound(form.Job().FileList) == 0) {
    err << "eveda-batch: no BMP files in " << options.directory << '\n';
    return kExitNothingWritten;
  }
  EnterOptions(options, ui, form);
  form.PlemoBMP();

  const main_window::RunReport& run = form.LastRun();
  if (run.outcome != main_window::RunReport::Outcome::Written) return kExitNothingWritten;
  for (const std::string& path : run.notDrawn)
    err << "eveda-batch: could not read " << path << '\n';
  out << run.outputPath << ' ' << run.width << 'x' << run.height << '\n';
  return run.notDrawn.empty() ? kExitWritten : kExitSomeSourcesUnread;
}

}  // namespace batch
