#pragma once
// What eveda-batch does when it is told to stop (SIGINT, SIGTERM, SIGHUP): it takes away the
// output file it was writing, if that file has a name yet, and exits with 128 + the signal.

namespace batch {

void RemoveOutputOnStopSignals();

}  // namespace batch
