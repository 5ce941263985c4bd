#include "dsmod/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

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

// One writev for the whole file; further calls only when the system takes less at once.
int WriteAll(int fd, std::span<const std::span<const std::uint8_t>> parts) {
  std::vector<iovec> pending;
  for (const auto& part : parts)
    if (!part.empty())
      pending.push_back(iovec{const_cast<std::uint8_t*>(part.data()), part.size()});
  std::size_t first = 0;
  while (first < pending.size()) {
    const int count = static_cast<int>(std::min<std::size_t>(pending.size() - first, IOV_MAX));
    const ssize_t written = ::writev(fd, pending.data() + first, count);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    if (written == 0) return EIO;
    std::size_t left = static_cast<std::size_t>(written);
    while (first < pending.size() && left >= pending[first].iov_len)
      left -= pending[first++].iov_len;
    if (left > 0) {
      pending[first].iov_base = static_cast<std::uint8_t*>(pending[first].iov_base) + left;
      pending[first].iov_len -= left;
    }
  }
  return 0;
}

// A rename is only durable once the directory entry itself is on disk; a failure here
// cannot undo the rename, so it is not reported.
void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

eveda::Result<void, SaveError> WriteFileAtomically(
    const std::string& path, std::span<const std::span<const std::uint8_t>> parts) {
  const std::filesystem::path target(path);
  if (!target.has_filename())
    return eveda::Unexpected{Failure(SaveError::Kind::CannotCreate, EISDIR)};
  const std::string directory = target.has_parent_path() ? target.parent_path().string() : ".";
  std::string temporary = directory + "/.eveda-save-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return eveda::Unexpected{Failure(SaveError::Kind::CannotCreate, errno)};

  int error = ::fchmod(fd, TargetMode(path)) == 0 ? 0 : errno;
  if (error == 0) error = WriteAll(fd, parts);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return eveda::Unexpected{Failure(SaveError::Kind::CannotWrite, error)};
  }
  SyncDirectory(directory);
  return {};
}

}  // namespace DSMod::detail
