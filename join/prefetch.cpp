#include "join/prefetch.h"

#include <stdexcept>
#include <utility>

namespace join {

using bmp_loader::RowBuffers;
using bmp_loader::ScratchBuffer;

SourcePrefetch::SourcePrefetch(const SourceOpener& open, std::vector<std::int32_t> order,
                               std::size_t maxAhead, std::size_t maxBytes)
    : open_(open), order_(std::move(order)), maxAhead_(maxAhead), maxBytes_(maxBytes) {
  // Fewer threads, or none: Take then opens in turn.
  for (int t = 0; t < workers::kWorkerThreads; ++t) {
    auto thread = workers::StartWorker([this] { Run(); });
    if (!thread) break;
    threads_.push_back(std::move(*thread));
  }
}

SourcePrefetch::~SourcePrefetch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

std::unique_ptr<RowBuffers> SourcePrefetch::SpareBuffers() {
  std::lock_guard lock(mutex_);
  if (spare_.empty()) return std::make_unique<RowBuffers>();
  auto buffers = std::move(spare_.back());
  spare_.pop_back();
  return buffers;
}

SourcePrefetch::Opened SourcePrefetch::OpenNext(std::size_t k, ScratchBuffer& scratch) {
  Opened opened;
  try {
    opened.buffers = SpareBuffers();
    opened.source.emplace(open_(order_[k], *opened.buffers, scratch));
  } catch (...) {
    opened.source.reset();
    opened.failure = std::current_exception();
  }
  return opened;
}

std::size_t SourcePrefetch::BytesOf(const Opened& opened) {
  if (!opened.buffers) return 0;
  const bmp_loader::RowBuffers& held = *opened.buffers;
  return held.decoded.capacity() + held.head.capacity() +
         (held.generator ? held.generator->BytesHeld() : 0);
}

void SourcePrefetch::Run() {
  ScratchBuffer scratch;
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] {
      if (stopping_ || claimed_ == order_.size()) return true;
      return claimed_ == first_ || (claimed_ - first_ < maxAhead_ && readyBytes_ < maxBytes_);
    });
    if (stopping_ || claimed_ == order_.size()) return;
    const std::size_t k = claimed_++;
    slots_.emplace_back();
    lock.unlock();
    Opened opened = OpenNext(k, scratch);
    const std::size_t bytes = BytesOf(opened);
    lock.lock();
    slots_[k - first_] = std::move(opened);
    readyBytes_ += bytes;
    changed_.notify_all();
  }
}

SourcePrefetch::Opened SourcePrefetch::Take(std::int32_t index, ScratchBuffer& scratch) {
  // Asked for by number, so that the pass and its prefetch can never drift apart unseen.
  if (first_ >= order_.size() || order_[first_] != index)
    throw std::logic_error("sources taken out of the order they were opened in");
  Opened opened;
  if (threads_.empty()) {
    opened = OpenNext(first_++, scratch);
  } else {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !slots_.empty() && slots_.front().has_value(); });
    opened = std::move(*slots_.front());
    slots_.pop_front();
    ++first_;
    readyBytes_ -= BytesOf(opened);
    lock.unlock();
    changed_.notify_all();
  }
  if (opened.failure) std::rethrow_exception(opened.failure);
  return opened;
}

void SourcePrefetch::Recycle(std::unique_ptr<RowBuffers> buffers) {
  std::lock_guard lock(mutex_);
  spare_.push_back(std::move(buffers));
}

}  // namespace join
