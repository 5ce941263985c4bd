#pragma once
// Every worker thread of the two programs starts here: the row writer, the PNG compressors, the
// sources opened ahead and the size probe. A worker starts with the stop signals held, so that a
// stop signal always reaches the thread that keeps track of the output's temporary name; where
// no thread can be had, the caller does the work itself.

#include <functional>
#include <optional>
#include <thread>

namespace workers {

// The machine's cores: decoding, drawing, compressing and writing share two.
inline constexpr int kWorkerThreads = 2;

// A thread running `work`, or nothing when the system has no thread to give.
std::optional<std::thread> StartWorker(std::function<void()> work);

}  // namespace workers
