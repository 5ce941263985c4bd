#include "join/read_ahead.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace join {
namespace {

using formats::SourceError;

// About this much of a picture is decoded in one go, in each of the two blocks.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

struct Block {
  std::vector<std::uint8_t> rows;
  std::uint32_t count = 0;           // rows decoded into it
  std::uint32_t taken = 0;           // rows the reader has copied out
  std::optional<SourceError> error;  // where the stream failed, after `count` good rows
  bool ready = false;
};

class ReadAheadStream final : public formats::RowStream {
 public:
  ReadAheadStream(const formats::StreamInfo& info, std::size_t rowBytes, std::uint32_t rows)
      : info_(info),
        rowBytes_(rowBytes),
        rows_(rows),
        blockRows_(static_cast<std::uint32_t>(std::max<std::size_t>(1, kBlockBytes / rowBytes))) {
    for (Block& block : blocks_) block.rows.resize(rowBytes_ * blockRows_);
  }

  // Takes `stream` and starts its worker; when no thread can be had, `stream` is left as it was.
  void Start(std::unique_ptr<formats::RowStream>& stream) {
    held_ = stream->BytesHeld();
    stream_ = std::move(stream);
    try {
      worker_ = std::thread([this] { Decode(); });
    } catch (const std::system_error&) {
      stream = std::move(stream_);
      throw;
    }
  }

  ~ReadAheadStream() override {
    if (!worker_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
  }

  const formats::StreamInfo& Info() const override { return info_; }

  eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                        std::uint32_t count) override {
    if (stride == 0) stride = static_cast<std::ptrdiff_t>(rowBytes_);
    for (std::uint32_t k = 0; k < count; ++k) {
      if (rowsRead_ >= rows_) return eveda::Unexpected{SourceError{}};
      Block& block = blocks_[rowsRead_ / blockRows_ % 2];
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return block.ready; });
      if (block.taken == block.count) return eveda::Unexpected{*block.error};
      std::memcpy(out + stride * k, block.rows.data() + rowBytes_ * block.taken, rowBytes_);
      ++rowsRead_;
      if (++block.taken == blockRows_) {
        block.ready = false;
        block.taken = block.count = 0;
        lock.unlock();
        changed_.notify_all();
      }
    }
    return {};
  }

  std::size_t BytesHeld() const override {
    return held_.load(std::memory_order_relaxed) + 2 * rowBytes_ * blockRows_;
  }

 private:
  // The worker: fills the blocks in turn, row by row so that a failure lands after exactly the
  // rows the stream gave, and stops at the end, at a failure or when the reader goes away.
  void Decode() {
    for (std::uint32_t row = 0, next = 0; row < rows_; next ^= 1) {
      Block& block = blocks_[next];
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || !block.ready; });
        if (stopping_) return;
      }
      const std::uint32_t rows = std::min(blockRows_, rows_ - row);
      std::uint32_t count = 0;
      std::optional<SourceError> error;
      for (; count < rows; ++count) {
        auto read = stream_->Read(block.rows.data() + rowBytes_ * count, 0, 1);
        if (!read) {
          error = read.error();
          break;
        }
      }
      held_.store(stream_->BytesHeld(), std::memory_order_relaxed);
      {
        std::lock_guard lock(mutex_);
        block.count = count;
        block.error = std::move(error);
        block.ready = true;
      }
      changed_.notify_all();
      if (count < rows) return;
      row += rows;
    }
  }

  const formats::StreamInfo info_;
  std::unique_ptr<formats::RowStream> stream_;
  const std::size_t rowBytes_;
  const std::uint32_t rows_;  // those the stream has left
  const std::uint32_t blockRows_;
  Block blocks_[2];
  std::uint32_t rowsRead_ = 0;
  std::atomic<std::size_t> held_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace

std::unique_ptr<formats::RowStream> ReadAhead(std::unique_ptr<formats::RowStream> stream,
                                              std::uint32_t passed) {
  const formats::StreamInfo& info = stream->Info();
  const std::size_t channels = info.pixels == formats::Pixels::Bgra ? 4 : 3;
  const std::size_t rowBytes = std::size_t{info.width} * channels;
  const std::uint32_t rows = info.height - std::min(passed, info.height);
  if (rowBytes == 0 || std::uint64_t{rowBytes} * rows < kReadAheadBytes) return stream;
  try {
    auto ahead = std::make_unique<ReadAheadStream>(info, rowBytes, rows);
    ahead->Start(stream);
    return ahead;
  } catch (const std::system_error&) {
    return stream;  // no thread to be had: read it here
  } catch (const std::bad_alloc&) {
    return stream;
  }
}

}  // namespace join
