#include "dsmod/background_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/stop_signals/stop_signals.h"

namespace DSMod::detail {

int WriteAt(int fd, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    if (written == 0) return EIO;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
  return 0;
}

void BackgroundWriter::WritePart(const Part& part) {
  const int error = WriteAt(fd_, part.offset, part.bytes);
  if (error == 0) {
    ::sync_file_range(fd_, static_cast<off_t>(part.offset), static_cast<off_t>(part.bytes.size()),
                      SYNC_FILE_RANGE_WRITE);
  }
  std::lock_guard lock(mutex_);
  if (error_ == 0) error_ = error;
}

void BackgroundWriter::Write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  {
    std::lock_guard lock(mutex_);
    if (error_ != 0) return;
    if (thread_.joinable()) {
      parts_.push_back({offset, bytes});
      wake_.notify_one();
      return;
    }
  }
  try {
    parts_.push_back({offset, bytes});
    StartThread();
  } catch (const std::system_error&) {
    parts_.clear();  // no thread to be had: this part is written here and now
    WritePart({offset, bytes});
  }
}

// The thread starts with the stop signals held, so that they always reach the thread that
// keeps track of the output's temporary name (see output_file.h).
void BackgroundWriter::StartThread() {
  const stop_signals::Held held;
  thread_ = std::thread([this] { Run(); });
}

void BackgroundWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !parts_.empty(); });
    if (parts_.empty()) return;  // stopping, and nothing left
    const Part part = parts_.front();
    parts_.pop_front();
    if (error_ != 0) continue;
    lock.unlock();
    WritePart(part);
    lock.lock();
  }
}

int BackgroundWriter::Wait() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  stopping_ = false;
  return error_;
}

}  // namespace DSMod::detail
