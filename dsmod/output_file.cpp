#include "dsmod/output_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace DSMod::detail {
namespace {

SaveError Failure(SaveError::Kind kind, int error) { return SaveError{kind, std::strerror(error)}; }

// The permissions a plain create would have given: those of the file being replaced, or
// the usual ones under the process's umask.
mode_t TargetMode(const std::string& path) {
  struct stat existing;
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    return existing.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// A rename is only durable once the directory entry itself is on disk; a failure here
// cannot undo the rename, so it is not reported.
void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The named temporary file of the save in progress, for a signal handler to remove. Written
// only by the thread that saves; the flag goes up after the path is complete.
char pendingPath[4096];
volatile std::sig_atomic_t pendingSet = 0;

void SetPending(const std::string& path) {
  pendingSet = 0;
  if (path.size() >= sizeof pendingPath) return;
  std::memcpy(pendingPath, path.c_str(), path.size() + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  pendingSet = 1;
}

void ClearPending() { pendingSet = 0; }

std::string TemporaryName(const std::string& directory) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name = directory + "/.eveda-save-";
  for (int i = 0; i < 12; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

std::atomic<bool> namedOnly{false};

}  // namespace

void UseNamedTemporaryFiles(bool named) { namedOnly = named; }

StopSignalsHeld::StopSignalsHeld() {
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signal : kStopSignals) sigaddset(&stops, signal);
  ::pthread_sigmask(SIG_BLOCK, &stops, &previous_);
}

StopSignalsHeld::~StopSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

void RemovePendingFile() {
  if (pendingSet) ::unlink(pendingPath);
}

eveda::Result<OutputFile, SaveError> OutputFile::Create(const std::string& target) {
  const std::filesystem::path path(target);
  if (!path.has_filename())
    return eveda::Unexpected{Failure(SaveError::Kind::CannotCreate, EISDIR)};
  const std::string directory = path.has_parent_path() ? path.parent_path().string() : ".";
  const mode_t mode = TargetMode(target);
  int fd = namedOnly ? -1 : ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (namedOnly) errno = EOPNOTSUPP;
  std::string temporary;
  if (fd < 0 && NoUnnamedFiles(errno)) {
    temporary = directory + "/.eveda-save-XXXXXX";
    const StopSignalsHeld held;
    fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd >= 0) SetPending(temporary);
  }
  if (fd < 0) return eveda::Unexpected{Failure(SaveError::Kind::CannotCreate, errno)};
  OutputFile file(fd, directory, std::move(temporary));
  if (::fchmod(fd, mode) != 0)
    return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
  return file;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      directory_(std::move(other.directory_)),
      temporaryName_(std::exchange(other.temporaryName_, {})) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporaryName_.empty()) {
    ClearPending();
    ::unlink(temporaryName_.c_str());
  }
}

// The file is in place under another name now: nothing of it is ours to remove.
void OutputFile::Forget() {
  ClearPending();
  temporaryName_.clear();
}

// An unnamed file gets its name through /proc, which needs no privilege; without /proc,
// AT_EMPTY_PATH does the same for a process that may use it.
int OutputFile::LinkUnnamed(const std::string& name) const {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
  const int error = errno;
  if (error != ENOENT || ::access("/proc/self/fd", F_OK) == 0) return error;
  return ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
}

eveda::Result<void, SaveError> OutputFile::LinkAsTemporary() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TemporaryName(directory_);
    const StopSignalsHeld held;
    const int error = LinkUnnamed(name);
    if (error == 0) {
      temporaryName_ = name;
      SetPending(name);
      return {};
    }
    if (error != EEXIST) return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, error)};
  }
  return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, EEXIST)};
}

// Without RENAME_NOREPLACE (some file systems refuse the flag), link and unlink do the same:
// link never replaces either.
int OutputFile::PutWithoutReplacing(const std::string& name) {
  if (temporaryName_.empty()) return LinkUnnamed(name);
  const StopSignalsHeld held;
  if (::renameat2(AT_FDCWD, temporaryName_.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) ==
      0) {
    Forget();
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::link(temporaryName_.c_str(), name.c_str()) != 0) return errno;
  ::unlink(temporaryName_.c_str());
  Forget();
  return 0;
}

eveda::Result<std::string, SaveError> OutputFile::PutInPlace(
    const std::string& target,
    const std::function<std::optional<std::string>(const std::string&)>& nextName) {
  if (::fsync(fd_) != 0) return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
  std::string written = target;
  if (!nextName) {
    if (temporaryName_.empty()) {
      if (auto linked = LinkAsTemporary(); !linked) return eveda::Unexpected{linked.error()};
    }
    const StopSignalsHeld held;
    if (::rename(temporaryName_.c_str(), target.c_str()) != 0)
      return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
    Forget();
  } else {
    for (;;) {
      const int error = PutWithoutReplacing(written);
      if (error == 0) break;
      if (error != EEXIST) return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, error)};
      const std::optional<std::string> next = nextName(written);
      if (!next) return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, EEXIST)};
      written = *next;
    }
  }
  ::close(std::exchange(fd_, -1));  // flushed above: nothing is left for close to report
  SyncDirectory(directory_);
  return written;
}

}  // namespace DSMod::detail
