#include "platform/bmp_loader/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace eveda::bmp {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

DecodeError error_from_errno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return DecodeError::NotFound;
    case EACCES:
    case EPERM:
      return DecodeError::PermissionDenied;
    case ENOMEM:
      return DecodeError::OutOfMemory;
    default:
      return DecodeError::Unreadable;
  }
}

eveda::Result<FileBytes, DecodeError> read_file_bytes(const char* path) {
  // Non-blocking, so that a FIFO put where a picture was never holds the run; only a regular
  // file is read.
  const FileDescriptor descriptor(::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (descriptor.get() < 0) return eveda::Unexpected{error_from_errno(errno)};
  struct stat info {};
  if (::fstat(descriptor.get(), &info) != 0) return eveda::Unexpected{error_from_errno(errno)};
  if (!S_ISREG(info.st_mode)) return eveda::Unexpected{DecodeError::NotRegularFile};
  if (static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes) {
    return eveda::Unexpected{DecodeError::TooLarge};
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  FileBytes file;
  try {
    file.data = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  } catch (const std::bad_alloc&) {
    return eveda::Unexpected{DecodeError::OutOfMemory};
  }
  std::size_t& done = file.size;
  // One read normally; the loop only covers short reads. A file that shrinks meanwhile is
  // decoded from the bytes that arrived.
  while (done < size) {
    const ssize_t got = ::read(descriptor.get(), file.data.get() + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return eveda::Unexpected{error_from_errno(errno)};
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return file;
}

}  // namespace eveda::bmp
