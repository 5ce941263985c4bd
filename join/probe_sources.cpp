#include "join/probe_sources.h"

#include <atomic>
#include <memory>
#include <utility>

#include "platform/workers/workers.h"

namespace join {
namespace {

// Below this many files a second thread costs more than it saves.
constexpr std::size_t kSharedFrom = 64;

// Joins the other thread however the probe ends, telling it first to take no further file.
struct Helper {
  std::atomic<std::size_t>& next;
  std::size_t past;
  std::optional<std::thread> thread;
  ~Helper() {
    if (!thread) return;
    next.store(past);
    thread->join();
  }
};

}  // namespace

std::vector<ScannedSource> ProbeSources(std::vector<std::string> paths,
                                        const std::function<void(int i)>& finished,
                                        const formats::SourceReader& reader) {
  const std::size_t n = paths.size();
  std::vector<ScannedSource> sources(n);
  for (std::size_t k = 0; k < n; ++k) sources[k].path = std::move(paths[k]);
  const auto done = std::make_unique<std::atomic<bool>[]>(n);
  std::atomic<std::size_t> next = 0;
  const auto readNext = [&]() -> bool {
    const std::size_t k = next.fetch_add(1);
    if (k >= n) return false;
    ScannedSource& source = sources[k];
    auto probed = reader.Probe(source.path);
    if (probed) {
      source.size = *probed;
    } else {
      source.refusal = probed.error();
    }
    done[k].store(true, std::memory_order_release);
    return true;
  };
  std::size_t reported = 0;
  const auto report = [&] {
    while (reported < n && done[reported].load(std::memory_order_acquire))
      finished(static_cast<int>(++reported));
  };
  Helper helper{next, n, {}};
  if (n >= kSharedFrom)
    helper.thread = workers::StartWorker([&readNext] {
      while (readNext()) {
      }
    });
  while (readNext()) report();
  if (helper.thread) {
    helper.thread->join();
    helper.thread.reset();
  }
  report();
  return sources;
}

void TurnAsShown(std::span<ScannedSource> sources) {
  for (ScannedSource& source : sources) {
    if (source.size.orientation >= 5 && source.size.orientation <= 8)
      std::swap(source.size.width, source.size.height);
  }
}

}  // namespace join
