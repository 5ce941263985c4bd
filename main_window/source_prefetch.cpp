#include "main_window/source_prefetch.h"

#include <system_error>
#include <utility>

#include "platform/stop_signals/stop_signals.h"

namespace main_window {

using eveda::bmp::RowBuffers;
using eveda::bmp::ScratchBuffer;

namespace {
constexpr int kThreads = 2;
}  // namespace

SourcePrefetch::SourcePrefetch(const SourceOpener& open, std::vector<std::string> paths,
                               std::size_t maxAhead, std::size_t maxBytes)
    : open_(open), paths_(std::move(paths)), maxAhead_(maxAhead), maxBytes_(maxBytes) {
  try {
    // Started with the stop signals held, they never receive one: the signals reach the thread
    // that keeps track of the output's temporary name.
    const stop_signals::Held held;
    for (int t = 0; t < kThreads; ++t) threads_.emplace_back([this] { Run(); });
  } catch (const std::system_error&) {  // fewer threads, or none: Take then opens in turn
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
    opened.source.emplace(open_(paths_[k], *opened.buffers, scratch));
  } catch (...) {
    opened.source.reset();
    opened.failure = std::current_exception();
  }
  return opened;
}

std::size_t SourcePrefetch::BytesOf(const Opened& opened) {
  if (!opened.buffers) return 0;
  return opened.buffers->decoded.capacity() + opened.buffers->head.capacity();
}

void SourcePrefetch::Run() {
  ScratchBuffer scratch;
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] {
      if (stopping_ || claimed_ == paths_.size()) return true;
      return claimed_ == first_ || (claimed_ - first_ < maxAhead_ && readyBytes_ < maxBytes_);
    });
    if (stopping_ || claimed_ == paths_.size()) return;
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

SourcePrefetch::Opened SourcePrefetch::Take(ScratchBuffer& scratch) {
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

}  // namespace main_window
