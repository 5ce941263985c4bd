#include "platform/stop_signals/stop_signals.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace stop_signals {
namespace {

// Written only by the thread that saves, with the signals held; the flag goes up after the
// path is complete.
char pendingPath[4096];
volatile std::sig_atomic_t pendingSet = 0;
volatile std::sig_atomic_t outputInPlace = 0;
volatile std::sig_atomic_t finishAfterCommit = 0;

// Only async-signal-safe calls: an unlink and _exit.
void StopNow(int signal) {
  if (outputInPlace && finishAfterCommit) return;  // the run goes on and reports what it wrote
  RemovePendingFile();
  ::_exit(128 + signal);
}

void RemoveAtExit() { RemovePendingFile(); }

}  // namespace

void Install(AfterCommit afterCommit) {
  finishAfterCommit = afterCommit == AfterCommit::kFinish ? 1 : 0;
  struct sigaction action {};
  action.sa_handler = StopNow;
  sigemptyset(&action.sa_mask);
  for (const int signal : kStopSignals) sigaddset(&action.sa_mask, signal);  // one at a time
  for (const int signal : kStopSignals) ::sigaction(signal, &action, nullptr);
  static const bool registered = std::atexit(RemoveAtExit) == 0;
  (void)registered;
}

Held::Held() {
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signal : kStopSignals) sigaddset(&stops, signal);
  ::pthread_sigmask(SIG_BLOCK, &stops, &previous_);
}

Held::~Held() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

void SetPendingFile(const char* path) {
  pendingSet = 0;
  outputInPlace = 0;
  const std::size_t length = std::strlen(path);
  if (length >= sizeof pendingPath) return;
  std::memcpy(pendingPath, path, length + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  pendingSet = 1;
}

void ClearPendingFile() {
  pendingSet = 0;
  outputInPlace = 0;
}

void MarkOutputInPlace() {
  pendingSet = 0;
  outputInPlace = 1;
}

void RemovePendingFile() {
  if (pendingSet) ::unlink(pendingPath);
}

}  // namespace stop_signals
