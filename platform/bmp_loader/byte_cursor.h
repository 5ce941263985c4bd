#pragma once
// A read position inside bytes that came from outside. Callers ask Has(n) before reading and
// turn a short input into a decode error; should one forget, a read past the end yields zeros
// (or an empty span) and leaves the position alone, so it still never leaves the buffer.

#include <cstddef>
#include <cstdint>
#include <span>

namespace bmp_loader {

class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t position() const { return position_; }
  std::size_t remaining() const { return bytes_.size() - position_; }
  bool Has(std::uint64_t n) const { return n <= remaining(); }

  // Moves to an absolute offset; false (and no move) when it lies beyond the end.
  bool Seek(std::uint64_t offset) {
    if (offset > bytes_.size()) return false;
    position_ = static_cast<std::size_t>(offset);
    return true;
  }
  void Skip(std::size_t n) {
    if (Has(n)) position_ += n;
  }

  std::uint8_t U8() { return Has(1) ? bytes_[position_++] : 0; }
  std::uint16_t U16() {
    const std::uint16_t lo = U8();
    return static_cast<std::uint16_t>(lo | (U8() << 8));
  }
  std::uint32_t U32() {
    const std::uint32_t lo = U16();
    return lo | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

  std::span<const std::uint8_t> Take(std::size_t n) {
    if (!Has(n)) return {};
    const auto out = bytes_.subspan(position_, n);
    position_ += n;
    return out;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

}  // namespace bmp_loader
