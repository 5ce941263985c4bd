#include "app/progress_line.h"

#include <unistd.h>

#include <ostream>

namespace app {
namespace {

constexpr std::string_view kClearToEndOfLine = "\x1b[K";
// How long a save may take before the line shows how much of it is on disk: a short save never
// flashes a percentage.
constexpr std::chrono::milliseconds kSavingProgressDelay{500};

std::string Count(std::string_view what, std::int64_t done, std::int64_t total) {
  return std::string(what) + std::to_string(done) + "/" + std::to_string(total);
}

}  // namespace

bool ShouldShowProgress(bool quiet) { return !quiet && isatty(STDERR_FILENO) == 1; }

void ProgressLine::Show(std::string_view text) {
  if (!show_) return;
  err_ << '\r' << prefix_ << text << kClearToEndOfLine << std::flush;
  open_ = true;
}

void ProgressLine::End() {
  if (!open_) return;
  err_ << '\r' << kClearToEndOfLine << std::flush;
  open_ = false;
}

void BatchProgress::Scanned(int done, int total) {
  if (done % 10 == 0) line_.Show(Count("reading sizes ", done, total));
}

void BatchProgress::Progress(join::Phase phase, std::int64_t done, std::int64_t total) {
  switch (phase) {
    case join::Phase::Preparing:
      if (total == 0) return line_.Show("preparing");
      return line_.Show(Count("preparing ", done, total));
    case join::Phase::Drawing:
      return line_.Show(Count("drawing ", done, total));
    case join::Phase::Saving:
      line_.Show("saving");
      savingSince_ = Clock::now();
      return;
    case join::Phase::Flushing:
      if (done == shown_ || Clock::now() - savingSince_ < kSavingProgressDelay) return;
      shown_ = done;
      return line_.Show("saving " + std::to_string(done) + "%");
  }
}

}  // namespace app
