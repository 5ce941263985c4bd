#pragma once
// eveda-batch's job: the scan and its proposals the window makes, the options laid over them,
// the same join, and what it reports in English.

#include <iosfwd>

#include "app/batch_options.h"
#include "dsmod/file_system.h"

namespace app {

inline constexpr int kExitWritten = 0;
// Nothing was written, or the file was written but its result line could not be printed.
inline constexpr int kExitNothingWritten = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSomeSourcesUnread = 3;

// What the process does on signals, set once before a run: a stop signal removes what the
// run has not put in place yet and ends it with 128 + the signal, unless the output is
// already in place (then the run finishes and reports it); a file-size limit and a pipe whose
// reader went away are write errors ("File too large", "Broken pipe") rather than the end of
// the process.
void PrepareProcess();

// Runs the job and returns the exit status; `out` gets "PATH WIDTHxHEIGHT" for a written
// file, `err` the progress, the reasons and, for -o -, "WIDTHxHEIGHT". The file is saved
// through `fileSystem`.
int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err,
             DSMod::detail::FileSystem& fileSystem = DSMod::detail::SystemFileSystem());

}  // namespace app
