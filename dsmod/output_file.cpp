#include "dsmod/output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <vector>

#include "formats/fd_writes.h"
#include "platform/stop_signals/stop_signals.h"

namespace DSMod {
namespace detail {
namespace {

constexpr std::string_view kTemporaryPrefix = ".eveda-save-";

SaveError Failure(SaveError::Kind kind, int error) { return SaveError{kind, std::strerror(error)}; }

// The permissions a plain create would have given: those of the file being replaced, less
// set-user-ID, set-group-ID and sticky, which belong to that file and not to ours; or the
// usual ones under the process's umask.
mode_t TargetMode(const std::string& path) {
  struct stat existing;
  if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    return existing.st_mode & 0777;
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

std::string TemporaryName(const std::string& directory) {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name = directory + "/" + std::string(kTemporaryPrefix);
  for (int i = 0; i < 12; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

// Exactly the names this file makes: the prefix and 6 (mkostemp) or 12 letters and digits.
bool IsTemporaryName(std::string_view name) {
  if (!name.starts_with(kTemporaryPrefix)) return false;
  name.remove_prefix(kTemporaryPrefix.size());
  if (name.size() != 6 && name.size() != 12) return false;
  for (const char c : name) {
    if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

// A live save holds the lock on its temporary file for as long as the file exists, so a
// file whose lock can be had belongs to a save that ended without cleaning up (SIGKILL). The
// age keeps a file just created, not yet locked, out of reach.
void RemoveLeftovers(const std::string& directory, FileSystem& fileSystem) {
  DIR* folder = ::opendir(directory.c_str());
  if (folder == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(folder)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const std::string path = directory + "/" + entry->d_name;
    struct stat named;
    if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) ||
        now - named.st_mtime < kLeftoverAgeSeconds)
      continue;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened;
    struct stat again;
    if (fileSystem.Lock(fd, false) == 0 && ::fstat(fd, &opened) == 0 &&
        ::lstat(path.c_str(), &again) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino && again.st_ino == opened.st_ino)
      fileSystem.Unlink(path);
    ::close(fd);
  }
  ::closedir(folder);
}

bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

}  // namespace

eveda::Result<OutputFile, SaveError> OutputFile::Create(const std::string& target,
                                                        FileSystem& fileSystem, bool inOrder) {
  stop_signals::ClearPendingFile();
  if (target == kStandardOutput)
    return inOrder ? OntoStandardOutput(fileSystem) : CreateForStandardOutput(fileSystem);
  const std::filesystem::path path(ResolvedTarget(target));
  if (!path.has_filename())
    return eveda::Unexpected{Failure(SaveError::Kind::CannotCreate, EISDIR)};
  if (auto problem = OutputTargetProblem(target))
    return eveda::Unexpected{SaveError{SaveError::Kind::CannotCreate, *problem}};
  const std::string directory = path.has_parent_path() ? path.parent_path().string() : ".";
  const mode_t mode = TargetMode(path.string());
  RemoveLeftovers(directory, fileSystem);
  int fd = fileSystem.OpenUnnamed(directory);
  std::string temporary;
  if (fd < 0 && NoUnnamedFiles(errno)) {
    temporary = directory + "/" + std::string(kTemporaryPrefix) + "XXXXXX";
    const stop_signals::Held held;
    fd = fileSystem.OpenNamed(temporary);
    if (fd >= 0) stop_signals::SetPendingFile(temporary.c_str());
  }
  if (fd < 0) return eveda::Unexpected{Failure(SaveError::Kind::CannotCreate, errno)};
  OutputFile file(fileSystem, fd, directory, std::move(temporary));
  fileSystem.Lock(fd, false);  // nobody else can hold it yet; see RemoveLeftovers
  if (fileSystem.ChangeMode(fd, mode) != 0)
    return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
  return file;
}

// Nothing needs the file's name, so a named one loses it at once: the copy to standard
// output is all that is left to do, and no stop can leave the file behind.
eveda::Result<OutputFile, SaveError> OutputFile::CreateForStandardOutput(FileSystem& fileSystem) {
  const std::string directory = TemporaryFolder();
  int fd = fileSystem.OpenUnnamed(directory);
  if (fd < 0 && NoUnnamedFiles(errno)) {
    std::string name = directory + "/" + std::string(kTemporaryPrefix) + "XXXXXX";
    const stop_signals::Held held;
    fd = fileSystem.OpenNamed(name);
    if (fd >= 0 && fileSystem.Unlink(name) != 0) {
      const int error = errno;
      ::close(fd);
      errno = error;
      fd = -1;
    }
  }
  if (fd < 0) return eveda::Unexpected{Failure(SaveError::Kind::CannotCreate, errno)};
  return OutputFile(fileSystem, fd, directory, {});
}

// A copy of the descriptor, so that the save's close leaves standard output open for what the
// program still writes, and so that whatever is written goes straight to the reader.
eveda::Result<OutputFile, SaveError> OutputFile::OntoStandardOutput(FileSystem& fileSystem) {
  const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return eveda::Unexpected{Failure(SaveError::Kind::CannotCreate, errno)};
  OutputFile file(fileSystem, fd, {}, {});
  file.direct_ = true;
  return file;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fileSystem_(other.fileSystem_),
      fd_(std::exchange(other.fd_, -1)),
      directory_(std::move(other.directory_)),
      temporaryName_(std::exchange(other.temporaryName_, {})),
      direct_(other.direct_) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporaryName_.empty()) {
    const stop_signals::Held held;
    stop_signals::ClearPendingFile();
    fileSystem_->Unlink(temporaryName_);
  }
}

void OutputFile::DisownInPlace() {
  stop_signals::MarkOutputInPlace();
  temporaryName_.clear();
}

// Called with the stop signals held.
eveda::Result<void, SaveError> OutputFile::LinkAsTemporary() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TemporaryName(directory_);
    if (fileSystem_->LinkUnnamed(fd_, name) == 0) {
      temporaryName_ = name;
      stop_signals::SetPendingFile(name.c_str());
      return {};
    }
    if (errno != EEXIST) return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
  }
  return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, EEXIST)};
}

// Where no file has the name yet, the unnamed file is linked straight under it; otherwise it
// gets a temporary name and is renamed over the old file at once, both with the stop signals
// held, so that only a SIGKILL between those two calls can leave the temporary name.
eveda::Result<void, SaveError> OutputFile::Replace(const std::string& target) {
  // A node put there while the tiles were drawn is refused all the same.
  if (auto problem = OutputTargetProblem(target))
    return eveda::Unexpected{SaveError{SaveError::Kind::CannotWrite, *problem}};
  const stop_signals::Held held;
  if (temporaryName_.empty()) {
    if (fileSystem_->LinkUnnamed(fd_, target) == 0) {
      DisownInPlace();
      return {};
    }
    if (errno != EEXIST) return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
    if (auto linked = LinkAsTemporary(); !linked) return linked;
  }
  if (fileSystem_->Rename(temporaryName_, target, 0) != 0)
    return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
  DisownInPlace();
  return {};
}

// Without RENAME_NOREPLACE (some file systems refuse the flag), link and unlink do the same:
// link never replaces either.
int OutputFile::PutWithoutReplacing(const std::string& name) {
  const stop_signals::Held held;
  if (temporaryName_.empty()) {
    if (fileSystem_->LinkUnnamed(fd_, name) != 0) return errno;
    DisownInPlace();
    return 0;
  }
  if (fileSystem_->Rename(temporaryName_, name, RENAME_NOREPLACE) == 0) {
    DisownInPlace();
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (fileSystem_->Link(temporaryName_, name) != 0) return errno;
  fileSystem_->Unlink(temporaryName_);
  DisownInPlace();
  return 0;
}

// The rows go out in file order, bottom row first, as a reader of the stream expects.
eveda::Result<void, SaveError> OutputFile::CopyToStandardOutput() {
  std::vector<std::uint8_t> buffer(1 << 20);
  for (off_t at = 0;;) {
    const ssize_t got = ::pread(fd_, buffer.data(), buffer.size(), at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
    if (got == 0) return {};
    const int error =
        formats::WriteAll(STDOUT_FILENO, std::span(buffer.data(), static_cast<std::size_t>(got)));
    if (error == EPIPE)  // the reader went away: the words say which end failed
      return eveda::Unexpected{
          SaveError{SaveError::Kind::CannotWrite, "standard output was closed"}};
    if (error != 0) return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, error)};
    at += got;
  }
}

eveda::Result<std::string, SaveError> OutputFile::PutInPlace(const std::string& target,
                                                             const NextOutputName& nextName) {
  if (target == kStandardOutput) {
    if (auto copied = direct_ ? eveda::Result<void, SaveError>{} : CopyToStandardOutput(); !copied)
      return eveda::Unexpected{copied.error()};
    ::close(std::exchange(fd_, -1));
    return target;
  }
  if (fileSystem_->Sync(fd_) != 0)
    return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, errno)};
  std::string written = target;
  if (!nextName) {
    if (auto replaced = Replace(ResolvedTarget(target)); !replaced)
      return eveda::Unexpected{replaced.error()};
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

}  // namespace detail

std::string ResolvedTarget(const std::string& target) {
  std::string path = target;
  for (int hop = 0; hop < 40; ++hop) {  // the kernel's own limit on links followed
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length < 0 || static_cast<std::size_t>(length) == sizeof buffer) return path;
    const std::string link(buffer, static_cast<std::size_t>(length));
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    path = link.starts_with('/') || parent.empty() ? link : (parent / link).string();
  }
  return path;
}

std::optional<std::string> OutputTargetProblem(const std::string& target) {
  if (target == kStandardOutput) return std::nullopt;
  struct stat existing;
  if (::stat(target.c_str(), &existing) != 0)
    return errno == ENOENT ? std::nullopt : std::optional<std::string>(std::strerror(errno));
  if (S_ISREG(existing.st_mode)) return std::nullopt;
  if (S_ISDIR(existing.st_mode)) return std::string(std::strerror(EISDIR));
  return "not a regular file";
}

}  // namespace DSMod
