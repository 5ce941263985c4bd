#include "main_window/source_prefetch.h"

#include <system_error>
#include <utility>

namespace main_window {

using eveda::bmp::RowBuffers;
using eveda::bmp::ScratchBuffer;

SourcePrefetch::SourcePrefetch(const SourceOpener& open, std::vector<std::string> paths,
                               std::size_t maxAhead, std::size_t maxBytes)
    : open_(open), paths_(std::move(paths)), maxAhead_(maxAhead), maxBytes_(maxBytes) {
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {  // no thread to spare: Take opens each source itself
  }
}

SourcePrefetch::~SourcePrefetch() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
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
  for (std::size_t k = 0; k < paths_.size(); ++k) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] {
        return stopping_ || ready_.empty() ||
               (ready_.size() < maxAhead_ && readyBytes_ < maxBytes_);
      });
      if (stopping_) return;
    }
    Opened opened = OpenNext(k, scratch);
    const std::size_t bytes = BytesOf(opened);
    {
      std::lock_guard lock(mutex_);
      ready_.push_back(std::move(opened));
      readyBytes_ += bytes;
    }
    changed_.notify_all();
  }
}

SourcePrefetch::Opened SourcePrefetch::Take(ScratchBuffer& scratch) {
  const std::size_t k = taken_++;
  Opened opened;
  if (!thread_.joinable()) {
    opened = OpenNext(k, scratch);
  } else {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    opened = std::move(ready_.front());
    ready_.pop_front();
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
