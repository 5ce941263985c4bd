#pragma once
// A file opened to read a picture from. Opening never waits (a FIFO or a device put where a
// picture was must not hold the program) and anything but a regular file is refused; reads
// are positioned, so the headers and the pixels are each read once, straight to where they
// are needed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/bmp_loader/bmp_decoder.h"

namespace bmp_loader {

// No BMP we accept needs more bytes than this (kMaxPixels at 32 bits, plus headers and a
// generous gap), so a larger file is refused before anything is allocated.
inline constexpr std::uint64_t kMaxFileBytes = kMaxPixels * 4 + (std::uint64_t{1} << 20);

class SourceFile {
 public:
  static eveda::Result<SourceFile, DecodeError> Open(const char* path);
  SourceFile(SourceFile&& other) noexcept;
  SourceFile& operator=(SourceFile&& other) noexcept;
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  ~SourceFile();

  std::uint64_t size() const { return size_; }

  // Fills `out` from `offset`; returns how many bytes arrived, fewer only where the file ends.
  eveda::Result<std::size_t, DecodeError> ReadAt(std::uint64_t offset,
                                                 std::span<std::uint8_t> out) const;

  // The first kHeadBytes of the file (all of a shorter one), enough to plan a decode.
  using HeadBuffer = std::array<std::uint8_t, kHeadBytes>;
  eveda::Result<std::span<const std::uint8_t>, DecodeError> ReadHead(HeadBuffer& buffer) const;

 private:
  SourceFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// The reason for a failed open or read, from the system's error number.
DecodeError ErrorFromErrno(int error);

}  // namespace bmp_loader
