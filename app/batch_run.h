#pragma once
// eveda-batch's job: the window's own scan, settings, drawing and run over the console
// toolkit, with the options typed into the boxes after the scan's proposals.

#include <iosfwd>

#include "app/batch_options.h"

namespace batch {

inline constexpr int kExitWritten = 0;
inline constexpr int kExitNothingWritten = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSomeSourcesUnread = 3;

// Runs the job and returns the exit status; `out` gets "PATH WIDTHxHEIGHT" for a written
// file, `err` the progress, the window's messages and the reasons.
int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace batch
