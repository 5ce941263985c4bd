#pragma once
// Runs an encoder's writes on a thread of its own, one band at a time, so that the disk works
// while the caller draws the next band.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "dsmod/dsmod.h"
#include "formats/encoder.h"

namespace DSMod::detail {

class RowWriter {
 public:
  explicit RowWriter(formats::ImageEncoder& encoder) : encoder_(encoder) {}
  ~RowWriter() { Wait(); }
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;

  // Waits until the band queued before is written, then queues this one; its memory must stay
  // as it is until the next Write or Wait returns. After a failure bands are dropped.
  void Write(const std::uint8_t* topRow, std::ptrdiff_t stride, std::int32_t rows);
  // Waits until every band is written; the first failure, if any.
  std::optional<SaveError> Wait();

 private:
  struct Band {
    const std::uint8_t* topRow;
    std::ptrdiff_t stride;
    std::int32_t rows;
  };
  void Run();
  void WriteNow(const Band& band);

  formats::ImageEncoder& encoder_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<Band> queued_;
  bool busy_ = false;
  bool stopping_ = false;
  std::optional<SaveError> error_;
  std::thread thread_;
};

}  // namespace DSMod::detail
