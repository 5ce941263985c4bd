#include "platform/workers/helper.h"

#include <atomic>

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

void Helper::Share(std::size_t count, const std::function<void(std::size_t, int)>& work) {
  std::atomic<std::size_t> next{0};
  const auto run = [&](int part) {
    for (std::size_t k; (k = next.fetch_add(1)) < count;) work(k, part);
  };
  if (count < 2 || !Start([&] { run(1); })) return run(0);
  run(0);
  std::unique_lock lock(mutex_);
  if (!taken_) work_ = nullptr;  // every k is taken: nothing is left for the helper
  changed_.wait(lock, [&] { return !work_; });
}

void Helper::Loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return quit_ || work_; });
    if (quit_) return;
    taken_ = true;
    lock.unlock();
    work_();
    lock.lock();
    taken_ = false;
    work_ = nullptr;
    changed_.notify_all();
  }
}

}  // namespace workers
