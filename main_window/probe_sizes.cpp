#include "main_window/probe_sizes.h"

#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/stop_signals/stop_signals.h"

namespace main_window {
namespace {

// Below this many files a second thread costs more than it saves.
constexpr int kSharedFrom = 64;

// Joins the other thread however the probe ends, telling it first to take no further file.
struct Helper {
  std::atomic<int>& next;
  int past;
  std::thread thread;
  ~Helper() {
    if (!thread.joinable()) return;
    next.store(past);
    thread.join();
  }
};

}  // namespace

std::vector<GetImage::BMPInfo> ProbeSizes(const GTFile::NameList& names, SizeProbe probe,
                                          const std::function<void(int i)>& finished) {
  const int n = GTFile::UBound(names);
  std::vector<GetImage::BMPInfo> infos(static_cast<std::size_t>(n) + 1);
  const auto done = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(n) + 1);
  std::atomic<int> next = 1;
  const auto readNext = [&]() -> bool {
    const int i = next.fetch_add(1);
    if (i > n) return false;
    infos[static_cast<std::size_t>(i)] = probe(names[static_cast<std::size_t>(i)]);
    done[static_cast<std::size_t>(i)].store(true, std::memory_order_release);
    return true;
  };
  int reported = 0;
  const auto report = [&] {
    while (reported < n &&
           done[static_cast<std::size_t>(reported) + 1].load(std::memory_order_acquire)) {
      finished(++reported);
    }
  };
  Helper helper{next, n + 1, {}};
  if (n >= kSharedFrom) {
    try {
      const stop_signals::Held held;  // stop signals go to the threads that handle them
      helper.thread = std::thread([&readNext] {
        while (readNext()) {
        }
      });
    } catch (const std::system_error&) {  // no thread to spare: this one reads them all
    }
  }
  while (readNext()) report();
  if (helper.thread.joinable()) helper.thread.join();
  report();
  return infos;
}

}  // namespace main_window
