#pragma once
// A second thread for a thread that splits its work in two: the helper runs one part while the
// caller does the other, then the caller waits for it.

#include <condition_variable>
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

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> work_;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace workers
