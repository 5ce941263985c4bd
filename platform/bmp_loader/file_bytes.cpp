#include "platform/bmp_loader/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

eveda::Result<std::vector<std::uint8_t>, DecodeError> read_file_bytes(const char* path) {
  const FileDescriptor file(::open(path, O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return eveda::Unexpected{DecodeError::Unreadable};
  }
  if (static_cast<std::uint64_t>(info.st_size) > kMaxFileBytes) {
    return eveda::Unexpected{DecodeError::TooLarge};
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  // One read normally; the loop only covers short reads. A file that shrinks meanwhile is
  // decoded from the bytes that arrived.
  while (done < bytes.size()) {
    const ssize_t got = ::read(file.get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return eveda::Unexpected{DecodeError::Unreadable};
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace eveda::bmp
