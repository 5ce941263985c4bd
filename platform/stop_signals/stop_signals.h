#pragma once
// What the two programs do when they are told to stop (SIGINT, SIGTERM, SIGHUP): the named
// temporary file of a save in progress, if there is one, is taken away and the process ends
// with 128 + the signal. Everything about these signals lives here: the list, holding them
// back on a thread, the file to remove and the handler.

#include <signal.h>

#include <array>

namespace stop_signals {

inline constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

// What a stop signal does once the new output is in place (see MarkOutputInPlace).
enum class AfterCommit {
  kExit,    // end at once: the output is whole, there is nothing to remove
  kFinish,  // let the run finish and report what it wrote; the caller then ends as usual
};

// Installs the handler for kStopSignals (each blocks the others while it runs) and makes a
// normal exit() take the pending file away too, for a toolkit that exits when its display
// connection breaks.
void Install(AfterCommit afterCommit);

// Holds kStopSignals back on the calling thread while it lives. A named file comes into being
// or goes under another name only while they are held, so that the handler sees exactly the
// files that are ours to remove; a thread started while they are held never receives them.
class Held {
 public:
  Held();
  ~Held();
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

 private:
  sigset_t previous_;
};

// The named temporary file of the save in progress; call with the signals held. A path too
// long to keep is not kept. Clearing also forgets an earlier MarkOutputInPlace.
void SetPendingFile(const char* path);
void ClearPendingFile();

// The hidden folder of tiles being written, removed with everything in it (two levels deep,
// as a pyramid's tiles are) where the pending file is; call with the signals held.
void SetPendingFolder(const char* path);
void ClearPendingFolder();

// The new output has its final name: from now on a stop signal removes nothing, and with
// AfterCommit::kFinish it no longer ends the run. Call with the signals held.
void MarkOutputInPlace();

// Unlinks the pending file and removes the pending folder, if any. Async-signal-safe.
void RemovePendingFile();

}  // namespace stop_signals
