#include "platform/bmp_loader/source_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace bmp_loader {

DecodeError ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
      return DecodeError::NotFound;
    case EACCES:
    case EPERM:
      return DecodeError::PermissionDenied;
    case ENOMEM:
      return DecodeError::OutOfMemory;
    case ENXIO:  // a socket or a FIFO end that cannot be opened this way
      return DecodeError::NotRegularFile;
    case EMFILE:
    case ENFILE:
      return DecodeError::TooManyOpenFiles;
    default:
      return DecodeError::Unreadable;
  }
}

eveda::Result<SourceFile, DecodeError> SourceFile::Open(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return eveda::Unexpected{ErrorFromErrno(errno)};
  SourceFile file(fd, 0);  // closes the descriptor on every way out
  struct stat info {};
  if (::fstat(fd, &info) != 0) return eveda::Unexpected{ErrorFromErrno(errno)};
  if (!S_ISREG(info.st_mode)) return eveda::Unexpected{DecodeError::NotRegularFile};
  file.size_ = static_cast<std::uint64_t>(info.st_size);
  return file;
}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_) {}

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
  }
  return *this;
}

SourceFile::~SourceFile() {
  if (fd_ >= 0) ::close(fd_);
}

// One read normally; the loop only covers short reads and interruptions.
eveda::Result<std::size_t, DecodeError> SourceFile::ReadAt(std::uint64_t offset,
                                                           std::span<std::uint8_t> out) const {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got =
        ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return eveda::Unexpected{ErrorFromErrno(errno)};
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

eveda::Result<std::span<const std::uint8_t>, DecodeError> SourceFile::ReadHead(
    HeadBuffer& buffer) const {
  const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size_, buffer.size()));
  EVEDA_TRY(got, ReadAt(0, std::span(buffer).first(wanted)));
  return std::span<const std::uint8_t>(buffer.data(), *got);
}

}  // namespace bmp_loader
