#pragma once
// A second thread for a thread that splits its work in two: the helper runs one part while the
// caller does the other, then the caller waits for it.

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

namespace workers {

class Helper {
 public:
  Helper();
  ~Helper();
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  // Starts `work` on the helper; false, and nothing started, when it has no thread.
  bool Start(std::function<void()> work);
  // Until the work started last is done.
  void Wait();
  // Runs work(k, part) for every k below `count`, the caller (part 0) and the helper (part 1)
  // each taking the next k when free: neither waits on a half the other has not begun, and
  // work the helper has not picked up when the caller is done is the caller's.
  void Share(std::size_t count, const std::function<void(std::size_t, int)>& work);

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> work_;
  bool taken_ = false;  // the helper runs work_
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace workers
