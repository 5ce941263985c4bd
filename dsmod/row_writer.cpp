#include "dsmod/row_writer.h"

#include "platform/workers/workers.h"

namespace DSMod::detail {

void RowWriter::WriteNow(const Band& band) {
  auto written = encoder_.WriteRows(band.topRow, band.stride, band.rows);
  std::lock_guard lock(mutex_);
  if (!written && !error_) error_ = SaveError{SaveError::Kind::CannotWrite, written.error().reason};
}

void RowWriter::Write(const std::uint8_t* topRow, std::ptrdiff_t stride, std::int32_t rows) {
  if (rows <= 0) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !queued_ && !busy_; });
  if (error_) return;
  if (!thread_.joinable()) {
    auto thread = workers::StartWorker([this] { Run(); });
    if (!thread) {
      lock.unlock();
      WriteNow({topRow, stride, rows});  // no thread to be had: written here and now
      return;
    }
    thread_ = std::move(*thread);
  }
  queued_ = Band{topRow, stride, rows};
  changed_.notify_all();
}

void RowWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || queued_; });
    if (!queued_) return;  // stopping, and nothing left
    const Band band = *queued_;
    queued_.reset();
    busy_ = true;
    if (!error_) {
      lock.unlock();
      WriteNow(band);
      lock.lock();
    }
    busy_ = false;
    changed_.notify_all();
  }
}

std::optional<SaveError> RowWriter::Wait() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  stopping_ = false;
  return error_;
}

}  // namespace DSMod::detail
