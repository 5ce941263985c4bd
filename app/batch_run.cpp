#include "app/batch_run.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <new>
#include <ostream>

#include "app/batch_texts.h"
#include "app/directory_check.h"
#include "app/output_target.h"
#include "app/shell_quote.h"
#include "dsmod/output_file.h"
#include "dsmod/png_output.h"
#include "gtfile/name_text.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "main_window/image_sources.h"
#include "main_window/output_name.h"
#include "platform/bmp_loader/row_source.h"
#include "platform/stop_signals/stop_signals.h"
#include "platform/toolkit/console_toolkit.h"
#include "platform/toolkit/process_info.h"

namespace batch {
namespace {

using main_window::RunReport;
using toolkit::ControlRef;
using toolkit::Group;

constexpr const char* kPrefix = "eveda-batch: ";

bool ToStandardOutput(const BatchOptions& options) {
  return options.output && *options.output == DSMod::kStandardOutput;
}

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
    if (IsPngOutputPath(*options.output))
      form.SetEncoder(DSMod::PngEncoderFactory(options.compression.value_or(6)));
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

// Why a source was not drawn, in the words eveda-batch prints: another decoder's own words
// when it gave them.
std::string ReasonText(eveda::bmp::DecodeError reason, const std::string& detail) {
  return detail.empty() ? std::string(eveda::bmp::Describe(reason)) : detail;
}

// Why `path` does not open as a source, in the words eveda-batch prints; empty when it opens.
std::string WhyNotLoaded(const std::string& path, bool otherFormats) {
  eveda::bmp::RowBuffers own;
  eveda::bmp::ScratchBuffer scratch;
  if (otherFormats) {
    const auto opened = main_window::ImageSourceOpener(0)(path, own, scratch);
    return opened ? std::string() : ReasonText(opened.error().reason, opened.error().detail);
  }
  const auto opened = eveda::bmp::RowSource::Open(path.c_str(), own, scratch);
  return opened ? std::string() : std::string(eveda::bmp::Describe(opened.error()));
}

// The scan gives every cell the size of the largest source it could read; 0 means it read
// none. Each file is then named with the loader's reason.
bool NamedEveryUnreadableSource(const main_window::Form1& form, toolkit::Services& ui,
                                const std::string& directory, bool otherFormats,
                                std::ostream& err) {
  if (ui.Text(ControlRef{Group::Text1, 0}) != "0" && ui.Text(ControlRef{Group::Text1, 1}) != "0")
    return false;
  err << kPrefix << directory
      << (otherFormats ? ": no readable file matching -i\n" : ": no readable BMP file\n");
  const GTFile::NameList& files = form.Job().FileList;
  for (std::size_t i = 1; i < files.size(); ++i) {
    const auto why = WhyNotLoaded(files[i], otherFormats);
    if (why.empty()) continue;
    err << kPrefix << "could not read " << ShellQuoted(files[i]) << ": " << why << '\n';
  }
  return true;
}

// The line that tells a script what was written. When it cannot be printed the script would
// not know, so that is a failure of its own.
int Report(const BatchOptions& options, const RunReport& run, std::ostream& out,
           std::ostream& err) {
  const std::string size = std::to_string(run.width) + 'x' + std::to_string(run.height);
  if (ToStandardOutput(options)) {
    err << kPrefix << size << '\n';
  } else {
    errno = 0;
    out << ShellQuoted(run.outputPath) << ' ' << size << '\n' << std::flush;
    if (!out) {
      const int error = errno;
      out.clear();
      err << kPrefix << ShellQuoted(run.outputPath) << " was written, but its result line "
          << "could not be printed" << (error != 0 ? std::string(": ") + std::strerror(error) : "")
          << '\n';
      return kExitNothingWritten;
    }
  }
  return run.notDrawn.empty() ? kExitWritten : kExitSomeSourcesUnread;
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
        << ReasonText(source.reason, source.detail) << '\n';
  return Report(options, run, out, err);
}

// Everything that is refused before the directory is read.
std::optional<std::string> RefusedAtOnce(const BatchOptions& options) {
  if (const auto problem = DirectoryProblem(options.directory))
    return ShellQuoted(options.directory) + ": " + *problem;
  if (!options.output) return std::nullopt;
  if (const auto problem = DSMod::OutputTargetProblem(*options.output))
    return ShellQuoted(*options.output) + ": " + *problem;
  return std::nullopt;
}

int Run(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  const std::string directory = ShellQuoted(options.directory);
  if (ToStandardOutput(options) && ::isatty(STDOUT_FILENO) == 1) {
    err << kPrefix << "standard output is a terminal; -o - writes to a pipe or a file\n";
    return kExitUsage;
  }
  if (const auto refusal = RefusedAtOnce(options)) {
    err << kPrefix << *refusal << '\n';
    return kExitNothingWritten;
  }
  toolkit::ConsoleOptions console{options.directory,
                                  toolkit::ExecutableDirectory(),
                                  &err,
                                  toolkit::ShouldShowProgress(options.quiet),
                                  main_window::kReadyTitle,
                                  kPrefix,
                                  ProgressText};
  toolkit::ConsoleToolkit ui(main_window::Form1Design(), std::move(console));
  main_window::Form1 form(ui);
  std::string leftOut;
  if (options.output && !ToStandardOutput(options)) {
    form.LeaveOutOfScan([same = SameFileAs(*options.output), &leftOut](const std::string& path) {
      if (!same(path)) return false;
      leftOut = path;
      return true;
    });
  }
  if (!options.include.empty()) form.SetSourcePatterns(LoweredPatterns(options.include));
  ui.Load();
  if (!leftOut.empty() && !options.quiet)
    err << kPrefix << "leaving out the output file " << ShellQuoted(leftOut) << '\n';
  if (GTFile::UBound(form.Job().FileList) == 0) {
    err << kPrefix << (options.include.empty() ? "no BMP files in " : "no files matching -i in ")
        << directory << '\n';
    return kExitNothingWritten;
  }
  if (NamedEveryUnreadableSource(form, ui, directory, !options.include.empty(), err))
    return kExitNothingWritten;
  // The scan proposes the first free name, or the last one when none is free: the window
  // shows that name before the user runs, but a script would replace a file unasked.
  if (!options.output && main_window::NameIsTaken(form.Job().OutputPath)) {
    err << kPrefix << directory << ": " << main_window::OutputName(main_window::kFirstOutputNumber)
        << " to " << main_window::OutputName(main_window::kLastOutputNumber)
        << " are all taken; give -o\n";
    return kExitNothingWritten;
  }
  return RunScanned(options, form, ui, out, err);
}

}  // namespace

void PrepareProcess() {
  stop_signals::Install(stop_signals::AfterCommit::kFinish);
  std::signal(SIGXFSZ, SIG_IGN);
}

int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err) {
  // Whatever was being written is taken away as the stack unwinds.
  try {
    return Run(options, out, err);
  } catch (const std::bad_alloc&) {
    err << kPrefix << "out of memory\n";
    return kExitNothingWritten;
  }
}

}  // namespace batch
