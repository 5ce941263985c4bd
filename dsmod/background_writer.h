#pragma once
// Writes parts of a file from a thread of its own, so that the disk works while the caller
// goes on drawing. Each part is written where it belongs (pwrite) and its writeback started
// at once, so that the final flush has little left to wait for.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <thread>

namespace DSMod::detail {

// Writes all of `bytes` at `offset`; 0 or the error number.
int WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes);

class BackgroundWriter {
 public:
  explicit BackgroundWriter(int fd) : fd_(fd) {}
  ~BackgroundWriter() { Wait(); }
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Queues a write; `bytes` must stay as they are until Wait() returns. After an error the
  // rest is dropped.
  void Write(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  // Waits until every queued write is done; the first error number, or 0.
  int Wait();

 private:
  struct Part {
    std::uint64_t offset;
    std::span<const std::uint8_t> bytes;
  };
  void StartThread();
  void Run();
  void WritePart(const Part& part);

  int fd_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Part> parts_;
  bool stopping_ = false;
  int error_ = 0;
  std::thread thread_;
};

}  // namespace DSMod::detail
