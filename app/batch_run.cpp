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
#include "app/progress_line.h"
#include "app/shell_quote.h"
#include "dsmod/output_file.h"
#include "gtfile/gtfile.h"
#include "gtfile/name_text.h"
#include "join/join.h"
#include "join/output_name.h"
#include "join/probe_sources.h"
#include "join/proposals.h"
#include "platform/stop_signals/stop_signals.h"

namespace app {
namespace {

constexpr const char* kPrefix = "eveda-batch: ";

bool ToStandardOutput(const BatchOptions& options) {
  return options.output && *options.output == DSMod::kStandardOutput;
}

// The listing compares names in lower case; the patterns are brought to it, so that -i '*.PNG'
// finds what -i '*.png' finds.
std::vector<std::string> PatternsOf(const BatchOptions& options) {
  if (options.include.empty()) return {"*.bmp"};
  std::vector<std::string> lowered;
  for (const std::string& pattern : options.include)
    lowered.push_back(GTFile::LowerCaseName(pattern));
  return lowered;
}

// The files of DIRECTORY the job reads, as full paths; the output file is left out.
std::vector<std::string> ListSources(const BatchOptions& options, std::string& leftOut) {
  GTFile::NameList names;
  GTFile::FindFiles(options.directory, names, PatternsOf(options), false);
  const std::string prefix = GTFile::NormalizeDir(options.directory);
  const auto isOutput = options.output && !ToStandardOutput(options)
                            ? SameFileAs(*options.output)
                            : std::function<bool(const std::string&)>();
  std::vector<std::string> paths;
  for (std::size_t i = 1; i < names.size(); ++i) {
    std::string path = prefix + names[i];
    if (isOutput && isOutput(path)) {
      leftOut = path;
      continue;
    }
    paths.push_back(std::move(path));
  }
  return paths;
}

// The scan's proposals with the options laid over them.
join::Layout LayoutOf(const BatchOptions& options, const join::Proposal& proposal) {
  join::Layout layout;
  layout.BlockWidth = options.blockWidth.value_or(proposal.BlockWidth);
  layout.BlockHeight = options.blockHeight.value_or(proposal.BlockHeight);
  layout.Spacing = options.spacing.value_or(0);
  layout.WrapCount = options.wrap.value_or(proposal.WrapCount);
  layout.ArrangeOrder = options.order.value_or(join::ArrangeOrder::RowsFromTopLeft);
  layout.FitMode = options.fit.value_or(join::FitMode::TopLeft);
  return layout;
}

// How the fits that scale draw: as photographs unless the window's stretch is asked for (or
// left as stretch's default), so that a BMP job writes what the window writes.
std::optional<join::PictureRules> PictureRulesOf(const BatchOptions& options) {
  using Resample = BatchOptions::Resample;
  const Resample filter = options.resample.value_or(
      options.fit == join::FitMode::Stretch ? Resample::Window : Resample::Lanczos3);
  if (filter == Resample::Window) return std::nullopt;
  join::PictureRules rules;
  rules.filter = filter == Resample::Nearest  ? pictures::Filter::kNearest
                 : filter == Resample::Linear ? pictures::Filter::kLinear
                                              : pictures::Filter::kLanczos3;
  rules.rotate = options.rotate;
  rules.profile = options.profile;
  return rules;
}

// Whether the sources' sizes are their shown ones: turned as EXIF says, for the fits that draw
// them turned.
bool ShownTurned(const BatchOptions& options) {
  const auto fit = options.fit.value_or(join::FitMode::TopLeft);
  return options.rotate && PictureRulesOf(options) &&
         (fit == join::FitMode::Contain || fit == join::FitMode::Cover ||
          fit == join::FitMode::Stretch);
}

void NameUnreadable(const std::string& path, const formats::SourceError& error, std::ostream& err) {
  err << kPrefix << "could not read " << ShellQuoted(path) << ": " << ReasonText(error) << '\n';
}

// The line that tells a script what was written. When it cannot be printed the script would
// not know, so that is a failure of its own.
int Report(const BatchOptions& options, const join::JoinReport& report, std::ostream& out,
           std::ostream& err) {
  const std::string size =
      std::to_string(report.grid.Width) + 'x' + std::to_string(report.grid.Height);
  if (ToStandardOutput(options)) {
    err << kPrefix << size << '\n';
  } else {
    errno = 0;
    out << ShellQuoted(report.path) << ' ' << size << '\n' << std::flush;
    if (!out) {
      const int error = errno;
      out.clear();
      err << kPrefix << ShellQuoted(report.path) << " was written, but its result line "
          << "could not be printed" << (error != 0 ? std::string(": ") + std::strerror(error) : "")
          << '\n';
      return kExitNothingWritten;
    }
  }
  return report.notDrawn.empty() ? kExitWritten : kExitSomeSourcesUnread;
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

// The join of the scanned sources, and what it says.
int JoinScanned(const BatchOptions& options, const std::string& output,
                std::vector<join::ScannedSource> scanned, const join::Proposal& proposal,
                const formats::SourceReader& reader, DSMod::detail::FileSystem& fileSystem,
                ProgressLine& line, BatchProgress& progress, std::ostream& out, std::ostream& err) {
  join::JoinRequest request;
  request.reader = &reader;
  request.fileSystem = &fileSystem;
  request.layout = LayoutOf(options, proposal);
  request.background = options.background.value_or(0);
  // A name of our own choosing must not replace a file another run wrote meanwhile; a name
  // the user gave is replaced, as asked.
  request.output.path = output;
  if (!options.output) request.output.nextName = join::NextFreeOutputName();
  if (options.output && !ToStandardOutput(options))
    request.output.format = *formats::OutputFormatOf(*options.output);
  request.output.encode.pngLevel = options.compression.value_or(6);
  request.pictures = PictureRulesOf(options);
  for (join::ScannedSource& source : scanned) request.sources.push_back(std::move(source.path));
  const join::JoinReport report = join::Join(request, progress);
  line.End();
  if (report.outcome != join::JoinReport::Outcome::Written) {
    err << kPrefix << FailureText(report, request.output.format) << '\n';
    return kExitNothingWritten;
  }
  for (const join::NotDrawnSource& source : report.notDrawn)
    NameUnreadable(source.path, source.error, err);
  for (const join::SourceNote& note : report.notes)
    err << kPrefix << ShellQuoted(request.sources[static_cast<std::size_t>(note.index)]) << ": "
        << note.note << '\n';
  return Report(options, report, out, err);
}

int Run(const BatchOptions& options, std::ostream& out, std::ostream& err,
        DSMod::detail::FileSystem& fileSystem) {
  const std::string directory = ShellQuoted(options.directory);
  if (ToStandardOutput(options) && ::isatty(STDOUT_FILENO) == 1) {
    err << kPrefix << "standard output is a terminal; -o - writes to a pipe or a file\n";
    return kExitUsage;
  }
  if (const auto refusal = RefusedAtOnce(options)) {
    err << kPrefix << *refusal << '\n';
    return kExitNothingWritten;
  }
  ProgressLine line(err, ShouldShowProgress(options.quiet), kPrefix);
  BatchProgress progress(line);
  std::string leftOut;
  std::vector<std::string> paths = ListSources(options, leftOut);
  const auto n = static_cast<int>(paths.size());
  const formats::SourceReader& reader = options.include.empty()
                                            ? formats::SourceReader::BmpOnly()
                                            : formats::SourceReader::EveryFormat();
  auto scanned = join::ProbeSources(
      std::move(paths), [&progress, n](int i) { progress.Scanned(i, n); }, reader);
  line.End();
  if (!leftOut.empty() && !options.quiet)
    err << kPrefix << "leaving out the output file " << ShellQuoted(leftOut) << '\n';
  if (scanned.empty()) {
    err << kPrefix << (options.include.empty() ? "no BMP files in " : "no files matching -i in ")
        << directory << '\n';
    return kExitNothingWritten;
  }
  if (ShownTurned(options)) join::TurnAsShown(scanned);
  const join::Proposal proposal = join::ProposeSettings(scanned);
  // The cells are as large as the largest source the scan could read: 0 means it read none.
  if (proposal.BlockWidth == 0 || proposal.BlockHeight == 0) {
    err << kPrefix << directory
        << (options.include.empty() ? ": no readable BMP file\n"
                                    : ": no readable file matching -i\n");
    for (const join::ScannedSource& source : scanned)
      if (source.refusal) NameUnreadable(source.path, *source.refusal, err);
    return kExitNothingWritten;
  }
  // The window proposes the last name when none is free and shows it before the user runs; a
  // script would replace a file unasked.
  const std::optional<std::string> output =
      options.output ? options.output
                     : join::FirstFreeOutputPath(GTFile::NormalizeDir(options.directory));
  if (!output) {
    err << kPrefix << directory << ": " << join::OutputName(join::kFirstOutputNumber) << " to "
        << join::OutputName(join::kLastOutputNumber) << " are all taken; give -o\n";
    return kExitNothingWritten;
  }
  return JoinScanned(options, *output, std::move(scanned), proposal, reader, fileSystem, line,
                     progress, out, err);
}

}  // namespace

void PrepareProcess() {
  stop_signals::Install(stop_signals::AfterCommit::kFinish);
  std::signal(SIGXFSZ, SIG_IGN);
  // A reader that went away is a write error to report, not a silent end (SIGPIPE would end
  // the process with 141 even after the file is in place).
  std::signal(SIGPIPE, SIG_IGN);
}

int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err,
             DSMod::detail::FileSystem& fileSystem) {
  // Whatever was being written is taken away as the stack unwinds.
  try {
    return Run(options, out, err, fileSystem);
  } catch (const std::bad_alloc&) {
    err << kPrefix << "out of memory\n";
    return kExitNothingWritten;
  }
}

}  // namespace app
