#include "platform/stop_signals/stop_signals.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace stop_signals {
namespace {

// Written only by the thread that saves, with the signals held; the flag goes up after the
// path is complete.
char pendingPath[4096];
volatile std::sig_atomic_t pendingSet = 0;
char pendingFolder[4096];
volatile std::sig_atomic_t pendingFolderSet = 0;
volatile std::sig_atomic_t outputInPlace = 0;
volatile std::sig_atomic_t finishAfterCommit = 0;

// A directory entry as the getdents64 system call returns it.
struct DirectoryEntry {
  std::uint64_t inode;
  std::int64_t offset;
  unsigned short length;
  unsigned char type;
  char name[1];
};

// Removes `name` in `parent` with its files and, `depth` levels down, its folders, through
// system calls alone. A pass that removed something is followed by another, since removing
// while reading may skip entries.
void RemoveFolder(int parent, const char* name, int depth) {
  const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  alignas(8) char entries[4096];
  for (bool removed = true; removed;) {
    removed = false;
    ::lseek(fd, 0, SEEK_SET);
    for (long got; (got = ::syscall(SYS_getdents64, fd, entries, sizeof entries)) > 0;) {
      for (long at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const DirectoryEntry*>(entries + at);
        at += entry->length;
        if (entry->name[0] == '.' &&
            (entry->name[1] == '\0' || (entry->name[1] == '.' && entry->name[2] == '\0')))
          continue;
        if (entry->type == DT_DIR) {
          if (depth > 0) RemoveFolder(fd, entry->name, depth - 1);
        } else {
          removed = ::unlinkat(fd, entry->name, 0) == 0 || removed;
        }
      }
    }
  }
  ::close(fd);
  ::unlinkat(parent, name, AT_REMOVEDIR);
}

// Only async-signal-safe calls: unlinks, the folder's system calls and _exit.
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

void SetPendingFolder(const char* path) {
  pendingFolderSet = 0;
  const std::size_t length = std::strlen(path);
  if (length >= sizeof pendingFolder) return;
  std::memcpy(pendingFolder, path, length + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  pendingFolderSet = 1;
}

void ClearPendingFolder() { pendingFolderSet = 0; }

void RemovePendingFile() {
  if (pendingSet) ::unlink(pendingPath);
  if (pendingFolderSet) RemoveFolder(AT_FDCWD, pendingFolder, 1);
}

}  // namespace stop_signals
