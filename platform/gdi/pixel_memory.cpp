#include "platform/gdi/pixel_memory.h"

#include <sys/mman.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace gdi::detail {
namespace {

using Block = PixelMemory::Block;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Two blocks: a compressed source needs its stream and its bitmap at the same time.
struct Pool {
  std::mutex mutex;
  std::array<Block, 2> blocks{};
};

Pool& ThePool() {
  static Pool pool;
  return pool;
}

void FreeBlock(const Block& block) {
  if (block.data == nullptr) return;
  if (block.mapped) {
    ::munmap(block.data, block.capacity);
  } else {
    std::free(block.data);
  }
}

// The smallest pooled block that holds `bytes`, taken out of the pool.
Block TakePooled(std::size_t bytes) {
  Pool& pool = ThePool();
  std::lock_guard lock(pool.mutex);
  Block* best = nullptr;
  for (Block& block : pool.blocks) {
    if (block.data != nullptr && block.capacity >= bytes &&
        (best == nullptr || block.capacity < best->capacity)) {
      best = &block;
    }
  }
  return best != nullptr ? std::exchange(*best, Block{}) : Block{};
}

// A mapping aligned to 2 MiB, so that the kernel can back it with huge pages where it allows
// them; elsewhere the advice is ignored and ordinary pages serve. Fresh mappings are zero.
Block MapBlock(std::size_t bytes) {
  const std::size_t capacity = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  const std::size_t reserved = capacity + kHugePage;
  void* base =
      ::mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return {};
  auto* start = static_cast<std::uint8_t*>(base);
  const std::size_t misalignment = reinterpret_cast<std::uintptr_t>(start) % kHugePage;
  const std::size_t head = misalignment == 0 ? 0 : kHugePage - misalignment;
  if (head != 0) ::munmap(start, head);
  if (reserved - head - capacity != 0)
    ::munmap(start + head + capacity, reserved - head - capacity);
  ::madvise(start + head, capacity, MADV_HUGEPAGE);
  return Block{start + head, capacity, true};
}

}  // namespace

PixelMemory PixelMemory::Zeroed(std::size_t bytes) { return Acquire(bytes, true); }
PixelMemory PixelMemory::ForOverwrite(std::size_t bytes) { return Acquire(bytes, false); }

PixelMemory PixelMemory::Acquire(std::size_t bytes, bool zeroed) {
  const std::size_t wanted = bytes == 0 ? 1 : bytes;
  Block block = TakePooled(wanted);
  if (block.data != nullptr) {
    // Rewriting pages already touched is cheap; fresh ones are what this pool avoids.
    if (zeroed) std::memset(block.data, 0, wanted);
    return PixelMemory(block, bytes);
  }
  if (wanted >= kOwnMappingBytes) {
    block = MapBlock(wanted);
  } else {
    void* memory = zeroed ? std::calloc(wanted, 1) : std::malloc(wanted);
    block = Block{static_cast<std::uint8_t*>(memory), wanted, false};
  }
  if (block.data == nullptr) throw std::bad_alloc();
  return PixelMemory(block, bytes);
}

PixelMemory::PixelMemory(PixelMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapped_(other.mapped_) {}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
  if (this != &other) {
    PixelMemory old(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    mapped_ = other.mapped_;
  }
  return *this;
}

// Kept blocks replace the smaller of the two pooled ones; the larger block is the more useful.
PixelMemory::~PixelMemory() {
  if (data_ == nullptr) return;
  Block block{data_, capacity_, mapped_};
  if (capacity_ <= kKeptBytes) {
    Pool& pool = ThePool();
    std::lock_guard lock(pool.mutex);
    Block* smallest = &pool.blocks[0];
    for (Block& slot : pool.blocks)
      if (slot.capacity < smallest->capacity) smallest = &slot;
    if (smallest->capacity < block.capacity) std::swap(*smallest, block);
  }
  FreeBlock(block);
}

}  // namespace gdi::detail
