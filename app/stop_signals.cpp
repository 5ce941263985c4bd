#include "app/stop_signals.h"

#include <unistd.h>

#include <csignal>

#include "dsmod/canvas_file.h"

namespace batch {
namespace {

// Only async-signal-safe calls: an unlink and _exit.
void StopNow(int signal) {
  DSMod::RemovePendingOutputFile();
  ::_exit(128 + signal);
}

}  // namespace

void RemoveOutputOnStopSignals() {
  struct sigaction action {};
  action.sa_handler = StopNow;
  sigemptyset(&action.sa_mask);
  for (const int signal : DSMod::kStopSignals) sigaddset(&action.sa_mask, signal);  // one at a time
  for (const int signal : DSMod::kStopSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace batch
