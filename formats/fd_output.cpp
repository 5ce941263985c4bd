#include "formats/fd_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace formats {

namespace {

eveda::Unexpected<EncodeError> SystemError() {
  return eveda::Unexpected(EncodeError{std::strerror(errno)});
}

}  // namespace

eveda::Result<void, EncodeError> WriteAll(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return SystemError();
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return {};
}

eveda::Result<void, EncodeError> WriteAllAt(int fd, const void* data, std::size_t size,
                                            std::uint64_t offset) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return SystemError();
    bytes += n;
    offset += static_cast<std::uint64_t>(n);
    size -= static_cast<std::size_t>(n);
  }
  return {};
}

}  // namespace formats
