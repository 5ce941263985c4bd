#include "formats/fd_writes.h"

#include <unistd.h>

#include <cerrno>

namespace formats {
namespace {

// One loop for both: a short write goes on where it stopped; EINTR is tried again.
template <class Write>
int WriteWhole(std::span<const std::uint8_t> bytes, Write write) {
  while (!bytes.empty()) {
    const ssize_t written = write(bytes);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    if (written == 0) return EIO;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return 0;
}

}  // namespace

int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  return WriteWhole(bytes, [fd](std::span<const std::uint8_t> rest) {
    return ::write(fd, rest.data(), rest.size());
  });
}

int WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  const std::uint64_t end = offset + bytes.size();
  return WriteWhole(bytes, [fd, end](std::span<const std::uint8_t> rest) {
    return ::pwrite(fd, rest.data(), rest.size(), static_cast<off_t>(end - rest.size()));
  });
}

}  // namespace formats
