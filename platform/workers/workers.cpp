#include "platform/workers/workers.h"

#include <system_error>

#include "platform/stop_signals/stop_signals.h"

namespace workers {

std::optional<std::thread> StartWorker(std::function<void()> work) {
  try {
    const stop_signals::Held held;
    return std::thread(std::move(work));
  } catch (const std::system_error&) {
    return std::nullopt;
  }
}

}  // namespace workers
