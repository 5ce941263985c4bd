// A stream read ahead on its own thread gives the reader the same rows, and the same failure
// after exactly the same rows, as the stream read directly; a reader that stops early stops
// the thread, which has decoded no more than two blocks past it.

#include "join/read_ahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

using bmp_loader::DecodeError;
using formats::SourceError;

constexpr std::uint32_t kWidth = 8192;  // B,G,R: 24 KiB a row
constexpr std::uint32_t kHeight = join::kReadAheadBytes / (kWidth * 3) + 1;
constexpr std::uint32_t kBlockRows = 42;  // of a MiB

// Rows whose bytes say which row they are; fails at `failsAt` (never when kHeight or more).
class CountingStream final : public formats::RowStream {
 public:
  CountingStream(std::uint32_t failsAt, std::atomic<std::uint32_t>& decoded,
                 std::uint32_t height = kHeight)
      : failsAt_(failsAt), decoded_(decoded) {
    info_.width = kWidth;
    info_.height = height;
  }
  const formats::StreamInfo& Info() const override { return info_; }
  eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                        std::uint32_t count) override {
    for (std::uint32_t k = 0; k < count; ++k, ++next_) {
      if (next_ == failsAt_) return eveda::Unexpected{SourceError{DecodeError::Unreadable, "cut"}};
      std::fill_n(out + (stride ? stride : kWidth * 3) * k, kWidth * 3, next_ % 251);
      ++decoded_;
    }
    return {};
  }
  std::size_t BytesHeld() const override { return 0; }

 private:
  formats::StreamInfo info_;
  std::uint32_t failsAt_, next_ = 0;
  std::atomic<std::uint32_t>& decoded_;
};

TEST(ReadAhead, RowsAndTheFailureArriveAsTheStreamGivesThem) {
  struct Case {
    std::uint32_t failsAt, reads, perRead;
  } cases[] = {
      {kHeight, kHeight, 1},                     // every row, then reading past the end fails
      {kHeight, kHeight / 7 * 7, 7}, {0, 1, 1},  // fails at once
      {kBlockRows - 1, 100, 1},                  // the first block's last row
      {kBlockRows, 100, 3},                      // the second block's first row
      {kBlockRows * 2 + 5, 200, 1},  {kHeight - 1, kHeight, 1},  // the last row
  };
  for (const Case& c : cases) {
    std::atomic<std::uint32_t> decoded = 0;
    auto stream = join::ReadAhead(std::make_unique<CountingStream>(c.failsAt, decoded));
    std::vector<std::uint8_t> rows(std::size_t{kWidth} * 3 * c.perRead);
    std::uint32_t good = 0;
    bool failed = false;
    for (std::uint32_t at = 0; at < c.reads && !failed; at += c.perRead) {
      auto read = stream->Read(rows.data(), 0, c.perRead);
      failed = !read;
      if (failed) {
        EXPECT_EQ(read.error(), (SourceError{DecodeError::Unreadable, "cut"})) << c.failsAt;
        EXPECT_EQ(at / c.perRead, c.failsAt / c.perRead) << c.failsAt;
        break;
      }
      for (std::uint32_t k = 0; k < c.perRead; ++k, ++good)
        ASSERT_EQ(rows[std::size_t{kWidth} * 3 * k + kWidth], good % 251) << c.failsAt;
    }
    if (c.failsAt >= kHeight) {
      EXPECT_EQ(good, c.reads);
      EXPECT_EQ(!stream->Read(rows.data(), 0, 1), c.reads == kHeight);
    } else {
      EXPECT_TRUE(failed) << c.failsAt;
    }
  }
}

TEST(ReadAhead, ASmallStreamIsReadDirectlyAndAReaderThatStopsStopsTheThread) {
  std::atomic<std::uint32_t> decoded = 0;
  auto small = std::make_unique<CountingStream>(kHeight, decoded, kHeight - 1);
  formats::RowStream* before = small.get();
  EXPECT_EQ(join::ReadAhead(std::move(small)).get(), before);
  {
    auto stream = join::ReadAhead(std::make_unique<CountingStream>(kHeight, decoded));
    std::vector<std::uint8_t> row(kWidth * 3);
    ASSERT_TRUE(stream->Read(row.data(), 0, 1));
  }
  EXPECT_LE(decoded.load(), 2 * kBlockRows);
}

}  // namespace
