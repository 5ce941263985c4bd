#include "app/batch_run.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iomanip>
#include <new>
#include <ostream>
#include <sstream>

#include "app/batch_captions.h"
#include "app/batch_texts.h"
#include "app/cell_map.h"
#include "app/directory_check.h"
#include "app/output_target.h"
#include "app/progress_line.h"
#include "app/shell_quote.h"
#include "app/source_list.h"
#include "dsmod/output_file.h"
#include "formats/bmp/bmp.h"
#include "gtfile/gtfile.h"
#include "gtfile/name_text.h"
#include "join/join.h"
#include "join/output_bands.h"
#include "join/output_name.h"
#include "join/probe_sources.h"
#include "join/proposals.h"
#include "platform/stop_signals/stop_signals.h"
#include "pyramid/deep_zoom.h"
#include "pyramid/tiles_folder.h"
#include "pyramid/viewer_page.h"
#include "text/caption_strip.h"

namespace app {
namespace {

constexpr const char* kPrefix = "eveda-batch: ";

bool ToStandardOutput(const BatchOptions& options) {
  return options.output && *options.output == DSMod::kStandardOutput;
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
  // The caption strip lengthens every cell, in the dry run's figures as in the join.
  if (options.label)
    layout.CaptionHeight = text::StripHeight(CaptionSizeFor(options, layout.BlockWidth));
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
bool ShownTurned(const BatchOptions& options) { return options.rotate && PictureRulesOf(options); }

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
  // Other jobs name each path that cannot be read as a source that was not drawn.
  if (IsOneDirectoryJob(options)) {
    if (const auto problem = DirectoryProblem(options.directory))
      return ShellQuoted(options.directory) + ": " + *problem;
  }
  if (!options.output) return std::nullopt;
  if (const auto problem = DSMod::OutputTargetProblem(*options.output))
    return ShellQuoted(*options.output) + ": " + *problem;
  if (!ToPyramid(options)) return std::nullopt;
  if (const auto problem = pyramid::TilesFolderProblem(*options.output))
    return ShellQuoted(*options.output) + ": " + *problem;
  return std::nullopt;
}

// The join of the scanned sources, captioned in `font` when it is given, and what it says.
int JoinScanned(const BatchOptions& options, const std::string& output,
                std::vector<join::ScannedSource> scanned, const join::Proposal& proposal,
                const formats::SourceReader& reader, DSMod::detail::FileSystem& fileSystem,
                ProgressLine& line, BatchProgress& progress, std::optional<text::CaptionFont> font,
                std::ostream& out, std::ostream& err) {
  join::JoinRequest request;
  request.reader = &reader;
  request.fileSystem = &fileSystem;
  request.layout = LayoutOf(options, proposal);
  request.background = options.background.value_or(0);
  // A name of our own choosing must not replace a file another run wrote meanwhile; a name
  // the user gave is replaced, as asked.
  request.output.path = output;
  if (!options.output) request.output.nextName = join::NextFreeOutputName();
  request.output.format = OutputFormatFor(options);
  if (ToPyramid(options)) request.output.pyramid = DeepZoomOptionsOf(options);
  formats::EncodeOptions& encode = request.output.encode;
  encode.pngLevel = options.compression.value_or(encode.pngLevel);
  encode.quality = options.quality.value_or(encode.quality);
  encode.chroma = options.subsample.value_or(encode.chroma);
  encode.tiffCompression = options.tiffCompression.value_or(encode.tiffCompression);
  encode.lossless = options.lossless;
  request.pictures = PictureRulesOf(options);
  request.reportDrawn = options.map || options.viewer;  // the viewer names the cells too
  request.sources.reserve(scanned.size());
  for (const join::ScannedSource& source : scanned) request.sources.push_back(source.path);
  std::optional<BatchCaptions> captions;
  if (font) {
    // The font was opened at the typed or default size; narrow cells take a smaller one.
    const int size = CaptionSizeFor(options, request.layout.BlockWidth);
    if (size != options.labelSize.value_or(text::kDefaultCaptionSize)) {
      auto resized = OpenCaptionFont(options, size);
      if (!resized) {
        err << kPrefix << resized.error() << '\n';
        return kExitUsage;
      }
      font = std::move(*resized);
    }
    captions.emplace(options, std::move(*font), scanned);
    request.captions = &*captions;
  } else {
    scanned = {};  // only the captions need the scan beyond this
  }
  const join::JoinReport report = join::Join(request, progress);
  line.End();
  if (report.outcome != join::JoinReport::Outcome::Written) {
    err << kPrefix << FailureText(report, request.output.format) << '\n';
    return kExitNothingWritten;
  }
  for (const join::NotDrawnSource& source : report.notDrawn)
    NameUnreadable(source.path, source.error, err);
  if (options.viewer) {
    if (auto page =
            pyramid::WriteViewerPage(report.path, CellMapText("cells.json", request, report));
        !page) {
      err << kPrefix << ShellQuoted(report.path) << " was written, but its viewer page could "
          << "not be: " << page.error() << '\n';
      return kExitNothingWritten;
    }
  }
  for (const join::SourceNote& note : report.notes)
    err << kPrefix << ShellQuoted(request.sources[static_cast<std::size_t>(note.index)]) << ": "
        << note.note << '\n';
  const int status = Report(options, report, out, err);
  if (!options.map) return status;
  // The map tells where the file's cells are: without it a script asked for would not know.
  if (const auto problem =
          WriteCellMap(*options.map, CellMapText(*options.map, request, report), fileSystem)) {
    err << kPrefix << "could not save the map " << ShellQuoted(*options.map) << ": " << *problem
        << '\n';
    return kExitNothingWritten;
  }
  return status;
}

// --dry-run: what a run would make of the sources, printed; nothing is written.
int PrintDryRun(const BatchOptions& options, const std::vector<join::ScannedSource>& scanned,
                const join::Proposal& proposal, std::ostream& out, std::ostream& err) {
  const join::Layout layout = LayoutOf(options, proposal);
  const auto count = static_cast<std::int32_t>(scanned.size());
  std::int32_t unreadable = 0;
  for (const join::ScannedSource& source : scanned) {
    if (!source.refusal) continue;
    NameUnreadable(source.path, *source.refusal, err);
    ++unreadable;
  }
  const formats::OutputFormat format = OutputFormatFor(options);
  join::JoinReport report;
  const auto grid = join::GridOf(layout, count);
  if (grid) report.grid = *grid;
  report.outcome = join::JoinReport::Outcome::CanvasFailed;
  if (!grid || grid->Width > join::kMaxBandWidth || !format.Holds(grid->Width, grid->Height) ||
      (format.bmpFileLimit && !formats::FitsInBmpFile(grid->Width, grid->Height))) {
    if (!grid) report.outcome = join::JoinReport::Outcome::InvalidLayout;
    err << kPrefix << FailureText(report, format) << '\n';
    return kExitNothingWritten;
  }
  const std::int64_t rowBytes = std::int64_t{3} * grid->Width;
  std::ostringstream cellWidth;  // as typed: 100.5 or 2147483647, never in exponent form
  cellWidth << std::setprecision(15) << layout.BlockWidth;
  out << "sources " << count << " (" << unreadable << " unreadable)\n"
      << "cell " << cellWidth.str() << 'x' << layout.BlockHeight << ", spacing " << layout.Spacing
      << '\n'
      << "grid " << grid->Columns << " columns x " << grid->Rows << " rows\n"
      << "output " << grid->Width << 'x' << grid->Height << " pixels\n";
  if (format.bmpFileLimit) {
    out << "bytes " << formats::BmpFileBytes(formats::kOutputBitCount, grid->Width, grid->Height)
        << " (BMP)\n";
  } else {
    // Compression decides the size; the rows it compresses are known (a PNG's with a filter
    // byte each).
    const std::int64_t perRow = rowBytes + (format.word == "png" ? 1 : 0);
    out << "bytes " << perRow * grid->Height << " before compression (" << format.name << ")\n";
  }
  return unreadable == 0 ? kExitWritten : kExitSomeSourcesUnread;
}

int Run(const BatchOptions& options, std::ostream& out, std::ostream& err,
        DSMod::detail::FileSystem& fileSystem) {
  const std::string directory = ShellQuoted(options.directory);
  if (ToStandardOutput(options) && ::isatty(STDOUT_FILENO) == 1) {
    err << kPrefix << "standard output is a terminal; -o - writes to a pipe or a file\n";
    return kExitUsage;
  }
  // A font that is not there is told before any file is read.
  std::optional<text::CaptionFont> font;
  if (options.label) {
    auto opened = OpenCaptionFont(options, options.labelSize.value_or(text::kDefaultCaptionSize));
    if (!opened) {
      err << kPrefix << opened.error() << '\n';
      return kExitUsage;
    }
    font = std::move(*opened);
  }
  if (const auto refusal = RefusedAtOnce(options)) {
    err << kPrefix << *refusal << '\n';
    return kExitNothingWritten;
  }
  ProgressLine line(err, ShouldShowProgress(options.quiet), kPrefix);
  BatchProgress progress(line);
  if (!options.output && !options.dryRun && !IsOneDirectoryJob(options)) {
    err << kPrefix << ShellQuoted(options.directory) << " is a file; give -o to join files\n";
    return kExitUsage;
  }
  auto listed = ListSources(options);
  if (!listed) {
    err << kPrefix << listed.error() << '\n';
    return kExitNothingWritten;
  }
  const std::string leftOut = std::move(listed->leftOut);
  std::vector<std::string> paths = std::move(listed->paths);
  listed = SourceList{};
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
    if (!IsOneDirectoryJob(options)) {
      err << kPrefix << "no sources\n";
      return kExitNothingWritten;
    }
    err << kPrefix << (options.include.empty() ? "no BMP files in " : "no files matching -i in ")
        << directory << '\n';
    return kExitNothingWritten;
  }
  if (ShownTurned(options)) join::TurnAsShown(scanned);
  const join::Proposal proposal = join::ProposeSettings(scanned);
  // The cells are as large as the largest source the scan could read: 0 means it read none.
  if (proposal.BlockWidth == 0 || proposal.BlockHeight == 0) {
    if (IsOneDirectoryJob(options)) {
      err << kPrefix << directory
          << (options.include.empty() ? ": no readable BMP file\n"
                                      : ": no readable file matching -i\n");
    } else {
      err << kPrefix << "no readable source\n";
    }
    for (const join::ScannedSource& source : scanned)
      if (source.refusal) NameUnreadable(source.path, *source.refusal, err);
    return kExitNothingWritten;
  }
  if (options.dryRun) return PrintDryRun(options, scanned, proposal, out, err);
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
                     progress, std::move(font), out, err);
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
