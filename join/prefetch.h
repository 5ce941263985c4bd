#pragma once
// Opens the sources of a pass on other threads, ahead of the drawing: decoding a PNG or JPEG
// source costs more than drawing it, so the next ones are decoded while the band is drawn.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "join/band_pass.h"
#include "platform/workers/workers.h"

namespace join {

// Sources opened by two threads, in the order the pass will ask for them. Memory is bounded: a
// thread starts on the next source only while fewer than `maxAhead` are being opened or wait,
// and those waiting hold less than `maxBytes` (the next one always may be opened, however
// large). Results, refusals included, are handed out in order, so the pass reports them as if
// it had opened the files itself.
class SourcePrefetch {
 public:
  struct Opened {
    std::unique_ptr<bmp_loader::RowBuffers> buffers;
    std::optional<eveda::Result<bmp_loader::RowSource, formats::SourceError>> source;
    std::exception_ptr failure;  // what the opener threw (out of memory), thrown again by Take
  };

  // Opens the sources `order` names, in that order. `open` must be callable from other threads
  // at once and outlive this object.
  SourcePrefetch(const SourceOpener& open, std::vector<std::int32_t> order, std::size_t maxAhead,
                 std::size_t maxBytes);
  ~SourcePrefetch();
  SourcePrefetch(const SourcePrefetch&) = delete;
  SourcePrefetch& operator=(const SourcePrefetch&) = delete;

  // Source `index`, the next in the order given, waiting for it when needed; opened here when
  // no thread could be started.
  Opened Take(std::int32_t index, bmp_loader::ScratchBuffer& scratch);
  // Buffers a finished source no longer needs, to be reused by the sources after it.
  void Recycle(std::unique_ptr<bmp_loader::RowBuffers> buffers);

 private:
  void Run();
  Opened OpenNext(std::size_t k, bmp_loader::ScratchBuffer& scratch);
  std::unique_ptr<bmp_loader::RowBuffers> SpareBuffers();
  static std::size_t BytesOf(const Opened& opened);

  const SourceOpener& open_;
  const std::vector<std::int32_t> order_;
  const std::size_t maxAhead_;
  const std::size_t maxBytes_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t first_ = 0;                    // the index of slots_.front(): the next one to take
  std::size_t claimed_ = 0;                  // the next index a thread will open
  std::deque<std::optional<Opened>> slots_;  // first_ .. claimed_ - 1, empty while being opened
  std::size_t readyBytes_ = 0;
  std::vector<std::unique_ptr<bmp_loader::RowBuffers>> spare_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace join
