#include "platform/workers/helper.h"

#include "platform/workers/workers.h"

namespace workers {

Helper::Helper() {
  if (auto thread = StartWorker([this] { Loop(); })) thread_ = std::move(*thread);
}

Helper::~Helper() {
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool Helper::Start(std::function<void()> work) {
  if (!thread_.joinable()) return false;
  const std::lock_guard lock(mutex_);
  work_ = std::move(work);
  changed_.notify_all();
  return true;
}

void Helper::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !work_; });
}

void Helper::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return quit_ || work_; });
    if (quit_) return;
    lock.unlock();
    work_();
    lock.lock();
    work_ = nullptr;
    changed_.notify_all();
  }
}

}  // namespace workers
