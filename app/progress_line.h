#pragma once
// eveda-batch's progress: one line on stderr, rewritten in place so that thousands of steps do
// not scroll the terminal, and shown only when asked for (normally when stderr is a terminal).

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "join/join.h"

namespace app {

// Progress belongs on a terminal only, and never when the user asked for quiet.
bool ShouldShowProgress(bool quiet);

class ProgressLine {
 public:
  ProgressLine(std::ostream& err, bool show, std::string_view prefix)
      : err_(err), show_(show), prefix_(prefix) {}
  ~ProgressLine() { End(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Show(std::string_view text);
  // Clears the line, so that what is printed next starts a line of its own.
  void End();

 private:
  std::ostream& err_;
  bool show_;
  std::string prefix_;
  bool open_ = false;
};

// The scan's and the join's progress on the line, in English: "reading sizes 10/57",
// "preparing", "drawing 6/27", "saving", and after half a second of saving "saving 42%".
class BatchProgress final : public join::JoinObserver {
 public:
  explicit BatchProgress(ProgressLine& line) : line_(line) {}
  // Every tenth file the scan has read.
  void Scanned(int done, int total);
  void Progress(join::Phase phase, std::int64_t done, std::int64_t total) override;
  // A stop signal ends the process itself (platform/stop_signals): nothing is ever asked.
  bool StopRequested() override { return false; }

 private:
  using Clock = std::chrono::steady_clock;
  ProgressLine& line_;
  Clock::time_point savingSince_ = Clock::now();
  std::int64_t shown_ = -1;
};

}  // namespace app
