#include "dsmod/row_writer.h"

#include <system_error>

#include "platform/stop_signals/stop_signals.h"

namespace DSMod::detail {

void RowWriter::WriteNow(const Band& band) {
  auto written = encoder_.WriteRows(band.topRow, band.stride, band.rows);
  std::lock_guard lock(mutex_);
  if (!written && !error_) error_ = written.error();
}

void RowWriter::Write(const std::uint8_t* topRow, std::ptrdiff_t stride, std::int32_t rows) {
  if (rows <= 0) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !queued_ && !busy_; });
  if (error_) return;
  if (!thread_.joinable()) {
    try {
      // Started with the stop signals held: they always reach the thread that keeps track of
      // the output's temporary name (see output_file.h).
      const stop_signals::Held held;
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      lock.unlock();
      WriteNow({topRow, stride, rows});  // no thread to be had: written here and now
      return;
    }
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
