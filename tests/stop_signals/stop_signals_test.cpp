// What the two programs do when told to stop, in a child process each: the pending temporary
// file goes, and the status says how the process ended.

#include "platform/stop_signals/stop_signals.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace eveda::testing {
namespace {

using stop_signals::AfterCommit;

enum class State { kPending, kInPlace };
enum class Ending { kSignal, kExit };  // kExit: exit(1), as Qt does when its display is gone

struct Case {
  const char* name;
  AfterCommit afterCommit;
  State state;
  Ending ending;
  int signal;
  int status;  // the child's exit status; 0 when it went on to the end
  bool fileLeft;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class StopSignals : public ::testing::TestWithParam<Case> {};

TEST_P(StopSignals, RemoveThePendingFileAndEndAsTold) {
  const Case& c = GetParam();
  TempDir dir;
  const std::string file = dir.PathOf(".eveda-save-abcdef");
  dir.WriteFile(".eveda-save-abcdef", "half");
  // A pyramid's hidden folder of tiles, which goes with the file unless the run goes on.
  const std::string folder = dir.PathOf(".p_files.abcdef");
  for (const char* tile : {"/0/0_0.png", "/9/0_0.png", "/9/1_0.png", "/9/0_1.png"})
    dir.WriteFile(".p_files.abcdef" + std::string(tile), "tile");
  const pid_t child = ::fork();
  if (child == 0) {
    stop_signals::Install(c.afterCommit);
    {
      const stop_signals::Held held;
      stop_signals::SetPendingFile(file.c_str());
      stop_signals::SetPendingFolder(folder.c_str());
      if (c.state == State::kInPlace) stop_signals::MarkOutputInPlace();
      if (c.ending == Ending::kSignal) ::raise(c.signal);  // arrives when released
    }
    if (c.ending == Ending::kExit) std::exit(1);
    ::_exit(0);  // the signal let the run go on
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), c.status);
  EXPECT_EQ(std::filesystem::exists(file), c.fileLeft);
  EXPECT_EQ(std::filesystem::exists(folder), c.status == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StopSignals,
    ::testing::Values(
        Case{"WindowInt", AfterCommit::kExit, State::kPending, Ending::kSignal, SIGINT, 130, false},
        Case{"WindowTerm", AfterCommit::kExit, State::kPending, Ending::kSignal, SIGTERM, 143,
             false},
        Case{"WindowHup", AfterCommit::kExit, State::kPending, Ending::kSignal, SIGHUP, 129, false},
        Case{"WindowDisplayLost", AfterCommit::kExit, State::kPending, Ending::kExit, 0, 1, false},
        Case{"WindowInPlace", AfterCommit::kExit, State::kInPlace, Ending::kSignal, SIGTERM, 143,
             true},
        Case{"BatchTerm", AfterCommit::kFinish, State::kPending, Ending::kSignal, SIGTERM, 143,
             false},
        Case{"BatchInPlaceInt", AfterCommit::kFinish, State::kInPlace, Ending::kSignal, SIGINT, 0,
             true},
        Case{"BatchInPlaceTerm", AfterCommit::kFinish, State::kInPlace, Ending::kSignal, SIGTERM, 0,
             true},
        Case{"BatchInPlaceHup", AfterCommit::kFinish, State::kInPlace, Ending::kSignal, SIGHUP, 0,
             true}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace eveda::testing
