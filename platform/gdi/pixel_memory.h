#pragma once
// The pixel memory of a bitmap.
//
// On this kind of machine the first touch of a fresh page costs far more than rewriting a page
// already touched, so memory is reused: blocks of up to kKeptBytes go back to a small pool when
// their bitmap is deleted and the next bitmap of that size or less takes them, which is what
// drawing thousands of sources one after another does. Large blocks get a mapping of their own,
// advised for 2 MiB pages, so that a canvas of hundreds of megabytes is cheap to touch.

#include <cstddef>
#include <cstdint>

namespace gdi::detail {

class PixelMemory {
 public:
  static constexpr std::size_t kKeptBytes = std::size_t{32} << 20;
  static constexpr std::size_t kOwnMappingBytes = std::size_t{8} << 20;

  PixelMemory() = default;
  // `bytes` bytes, all zero. Throws std::bad_alloc.
  static PixelMemory Zeroed(std::size_t bytes);
  // `bytes` bytes for a caller that writes every one of them. Throws std::bad_alloc.
  static PixelMemory ForOverwrite(std::size_t bytes);

  PixelMemory(PixelMemory&& other) noexcept;
  PixelMemory& operator=(PixelMemory&& other) noexcept;
  PixelMemory(const PixelMemory&) = delete;
  PixelMemory& operator=(const PixelMemory&) = delete;
  ~PixelMemory();

  std::uint8_t* get() const { return data_; }
  std::size_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

  struct Block {
    std::uint8_t* data = nullptr;
    std::size_t capacity = 0;
    bool mapped = false;  // from mmap, else from malloc
  };

 private:
  static PixelMemory Acquire(std::size_t bytes, bool zeroed);
  explicit PixelMemory(Block block, std::size_t size)
      : data_(block.data), size_(size), capacity_(block.capacity), mapped_(block.mapped) {}

  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  bool mapped_ = false;
};

}  // namespace gdi::detail
