#include "formats/png/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "formats/decoded_image.h"
#include "formats/fd_writes.h"
#include "formats/png/png.h"
#include "formats/png/png_filter.h"
#include "platform/workers/workers.h"

namespace formats {
namespace {

using eveda::Result;
using eveda::Unexpected;

// Segments queued or being compressed at once: enough to keep both threads busy while the
// caller draws, few enough that memory stays a handful of segments.
constexpr std::size_t kMaxInFlight = 4;

EncodeError SystemError(int error) { return EncodeError{std::strerror(error)}; }

void PutBe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24), p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8), p[3] = static_cast<std::uint8_t>(v);
}

// The zlib header for a level, as zlib itself writes it (FLEVEL and a valid FCHECK).
std::array<std::uint8_t, 2> ZlibHeader(int level) {
  if (level <= 1) return {0x78, 0x01};
  if (level <= 5) return {0x78, 0x5E};
  if (level == 6) return {0x78, 0x9C};
  return {0x78, 0xDA};
}

}  // namespace

// Rows in, one independent raw deflate stream out.
struct Segment {
  std::vector<std::uint8_t> previousRow;  // the image row above the first; empty for row 0
  std::vector<std::uint8_t> rows;         // R,G,B
  std::uint64_t rowCount = 0;
  bool last = false;
  // Filled by a compressing thread.
  std::vector<std::uint8_t> filtered;
  std::vector<std::uint8_t> compressed;
  std::uint32_t adler = 1;
  bool done = false;
  bool failed = false;
};

struct PngEncoder::State {
  int fd = -1;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int level = 6;
  std::uint64_t rowBytes = 0;
  std::uint64_t rowsTaken = 0;
  bool headerWritten = false;
  std::uint32_t adler = 1;
  std::optional<EncodeError> error;

  std::unique_ptr<Segment> current;
  std::vector<std::uint8_t> lastRow;              // the last row handed to a segment, R,G,B
  std::deque<std::unique_ptr<Segment>> inFlight;  // in image order
  std::vector<std::unique_ptr<Segment>> spare;

  std::mutex mutex;
  std::condition_variable work;
  std::condition_variable finished;
  std::deque<Segment*> queue;
  bool stopping = false;
  std::vector<std::thread> threads;

  void RunWorker();
  void Submit();
  Result<void, EncodeError> WriteChunk(const char* type, std::span<const std::uint8_t> prefix,
                                       std::span<const std::uint8_t> data,
                                       std::span<const std::uint8_t> suffix);
  Result<void, EncodeError> WriteFront();
  bool FrontDone() {
    std::lock_guard lock(mutex);
    return inFlight.front()->done;
  }
  Result<void, EncodeError> Fail(EncodeError e) {
    if (!error) error = std::move(e);
    return Unexpected{*error};
  }
};

namespace {

// Deflates `in` into `out` as one raw stream: a sync flush ends every segment but the last, so
// each ends on a byte boundary and the next may start a fresh stream right after it.
bool Deflate(z_stream& z, std::span<const std::uint8_t> in, bool last,
             std::vector<std::uint8_t>& out) {
  if (deflateReset(&z) != Z_OK) return false;
  out.clear();
  std::array<std::uint8_t, 1 << 16> buffer;
  std::uint64_t fed = 0;
  do {
    const std::uint64_t piece = std::min<std::uint64_t>(in.size() - fed, 1u << 30);
    z.next_in = const_cast<Bytef*>(in.data() + fed);
    z.avail_in = static_cast<uInt>(piece);
    fed += piece;
    const int flush = fed < in.size() ? Z_NO_FLUSH : last ? Z_FINISH : Z_SYNC_FLUSH;
    do {
      z.next_out = buffer.data();
      z.avail_out = buffer.size();
      if (deflate(&z, flush) == Z_STREAM_ERROR) return false;
      out.insert(out.end(), buffer.data(), z.next_out);
    } while (z.avail_out == 0);
  } while (fed < in.size());
  return true;
}

// A compressing thread's deflate streams. Filtered photographs compress best with run-length
// matching (distance 1, Z_RLE): on the w5 benchmark's photographs it was both 10% smaller and
// ten times faster than zlib's full match search at level 6, and smaller even than level 9's.
// So every level but 0 uses it, and levels 7 to 9 also try the full search on each segment and
// keep whichever is smaller: drawings and screenshots, with repeats further than one pixel
// apart, may gain from it; higher levels are never larger than lower ones.
struct Deflaters {
  z_stream rle{};
  z_stream full{};
  bool rleReady = false;
  bool fullReady = false;
  std::vector<std::uint8_t> other;
  explicit Deflaters(int level) {
    const int strategy = level == 0 ? Z_DEFAULT_STRATEGY : Z_RLE;
    rleReady = deflateInit2(&rle, level, Z_DEFLATED, -15, 8, strategy) == Z_OK;
    if (level >= 7) fullReady = deflateInit2(&full, level, Z_DEFLATED, -15, 9, Z_FILTERED) == Z_OK;
  }
  ~Deflaters() {
    if (rleReady) deflateEnd(&rle);
    if (fullReady) deflateEnd(&full);
  }
  Deflaters(const Deflaters&) = delete;
  Deflaters& operator=(const Deflaters&) = delete;
};

// Filters and deflates one segment.
bool Compress(Segment& s, std::uint64_t rowBytes, int level, Deflaters& d) {
  if (!d.rleReady || (level >= 7 && !d.fullReady)) return false;
  if (!Resize(s.filtered, s.rowCount * (rowBytes + 1))) return false;
  const std::uint8_t* above = s.previousRow.empty() ? nullptr : s.previousRow.data();
  for (std::uint64_t r = 0; r < s.rowCount; ++r) {
    const std::uint8_t* row = s.rows.data() + r * rowBytes;
    FilterRow(above, row, rowBytes, level > 0, s.filtered.data() + r * (rowBytes + 1));
    above = row;
  }
  s.adler = static_cast<std::uint32_t>(adler32_z(1, s.filtered.data(), s.filtered.size()));
  if (!Deflate(d.rle, s.filtered, s.last, s.compressed)) return false;
  if (level < 7) return true;
  if (!Deflate(d.full, s.filtered, s.last, d.other)) return false;
  if (d.other.size() < s.compressed.size()) s.compressed.swap(d.other);
  return true;
}

}  // namespace

void PngEncoder::State::RunWorker() {
  Deflaters deflaters(level);
  std::unique_lock lock(mutex);
  for (;;) {
    work.wait(lock, [&] { return stopping || !queue.empty(); });
    if (queue.empty()) break;
    Segment* s = queue.front();
    queue.pop_front();
    lock.unlock();
    bool ok = false;
    try {
      ok = Compress(*s, rowBytes, level, deflaters);
    } catch (const std::bad_alloc&) {
    }
    lock.lock();
    s->failed = !ok;
    s->done = true;
    finished.notify_all();
  }
}

void PngEncoder::State::Submit() {
  Segment* s = current.get();
  if (threads.empty()) {  // no thread to be had: compressed here and now
    Deflaters deflaters(level);
    bool ok = false;
    try {
      ok = Compress(*s, rowBytes, level, deflaters);
    } catch (const std::bad_alloc&) {
    }
    s->failed = !ok;
    s->done = true;
    inFlight.push_back(std::move(current));
    return;
  }
  {
    std::lock_guard lock(mutex);
    s->done = false;
    queue.push_back(s);
  }
  work.notify_one();
  inFlight.push_back(std::move(current));
}

Result<void, EncodeError> PngEncoder::State::WriteChunk(const char* type,
                                                        std::span<const std::uint8_t> prefix,
                                                        std::span<const std::uint8_t> data,
                                                        std::span<const std::uint8_t> suffix) {
  const std::uint64_t length = prefix.size() + data.size() + suffix.size();
  if (length > kPngMaxValue) return Fail(EncodeError{"a PNG chunk over 2 GiB"});
  std::array<std::uint8_t, 8> head;
  PutBe32(head.data(), static_cast<std::uint32_t>(length));
  std::memcpy(head.data() + 4, type, 4);
  uLong crc = crc32(0, head.data() + 4, 4);
  // An empty part is skipped: zlib reads a null buffer as a request for the initial value.
  for (std::span<const std::uint8_t> part : {prefix, data, suffix})
    if (!part.empty()) crc = crc32_z(crc, part.data(), part.size());
  std::array<std::uint8_t, 4> tail;
  PutBe32(tail.data(), static_cast<std::uint32_t>(crc));
  for (std::span<const std::uint8_t> part : {std::span<const std::uint8_t>(head), prefix, data,
                                             suffix, std::span<const std::uint8_t>(tail)}) {
    if (int e = WriteAll(fd, part)) return Fail(SystemError(e));
  }
  return {};
}

// Writes the oldest segment once it is compressed, waiting for it.
Result<void, EncodeError> PngEncoder::State::WriteFront() {
  Segment* s = inFlight.front().get();
  {
    std::unique_lock lock(mutex);
    finished.wait(lock, [&] { return s->done; });
  }
  if (s->failed) return Fail(EncodeError{"out of memory while compressing"});
  adler = static_cast<std::uint32_t>(adler32_combine64(adler, s->adler, s->filtered.size()));
  const auto header = ZlibHeader(level);
  std::array<std::uint8_t, 4> trailer;
  PutBe32(trailer.data(), adler);
  auto ok = WriteChunk("IDAT", headerWritten ? std::span<const std::uint8_t>() : header,
                       s->compressed, s->last ? trailer : std::span<const std::uint8_t>());
  headerWritten = true;
  spare.push_back(std::move(inFlight.front()));
  inFlight.pop_front();
  return ok;
}

PngEncoder::PngEncoder() : state_(std::make_unique<State>()) {}

PngEncoder::~PngEncoder() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    state_->queue.clear();
  }
  state_->work.notify_all();
  for (std::thread& t : state_->threads) t.join();
}

Result<void, EncodeError> PngEncoder::Begin(int fd, std::uint32_t width, std::uint32_t height,
                                            int level) {
  State& s = *state_;
  if (width == 0 || height == 0 || width > kPngMaxValue || height > kPngMaxValue)
    return s.Fail(EncodeError{"a PNG side must be 1 to 2147483647 pixels"});
  s.fd = fd;
  s.width = width;
  s.height = height;
  s.level = std::clamp(level, 0, 9);
  s.rowBytes = std::uint64_t{width} * 3;
  std::array<std::uint8_t, 13> ihdr{};
  PutBe32(ihdr.data(), width);
  PutBe32(ihdr.data() + 4, height);
  ihdr[8] = 8;  // bits per sample
  ihdr[9] = 2;  // RGB
  if (int e = WriteAll(fd, kPngSignature)) return s.Fail(SystemError(e));
  if (auto ok = s.WriteChunk("IHDR", {}, ihdr, {}); !ok) return ok;
  for (int i = 0; i < workers::kWorkerThreads; ++i) {
    auto thread = workers::StartWorker([&s] { s.RunWorker(); });
    if (!thread) break;
    s.threads.push_back(std::move(*thread));
  }
  return {};
}

Result<void, EncodeError> PngEncoder::WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                                std::uint32_t rows) {
  State& s = *state_;
  if (s.error) return Unexpected{*s.error};
  if (rows > s.height - s.rowsTaken) return s.Fail({"more rows than the image is high"});
  for (std::uint32_t r = 0; r < rows; ++r) {
    if (!s.current) {
      if (s.spare.empty()) {
        s.current = std::make_unique<Segment>();
      } else {
        s.current = std::move(s.spare.back());
        s.spare.pop_back();
      }
      s.current->previousRow = s.lastRow;
      s.current->rowCount = 0;
      s.current->last = false;
      s.current->rows.clear();
    }
    Segment& seg = *s.current;
    const std::size_t at = seg.rows.size();
    if (!Resize(seg.rows, at + s.rowBytes)) return s.Fail({"out of memory"});
    const std::uint8_t* src = topRow + static_cast<std::ptrdiff_t>(r) * stride;
    std::uint8_t* dst = seg.rows.data() + at;
    for (std::uint64_t x = 0; x < s.rowBytes; x += 3)
      dst[x] = src[x + 2], dst[x + 1] = src[x + 1], dst[x + 2] = src[x];
    ++seg.rowCount;
    ++s.rowsTaken;
    // The last row's segment is kept for Finish, which marks it the last.
    if (seg.rows.size() >= kSegmentBytes && s.rowsTaken < s.height) {
      s.lastRow.assign(seg.rows.end() - static_cast<std::ptrdiff_t>(s.rowBytes), seg.rows.end());
      s.Submit();
      while (!s.inFlight.empty() && s.FrontDone()) {
        if (auto ok = s.WriteFront(); !ok) return ok;
      }
      if (s.inFlight.size() >= kMaxInFlight) {
        if (auto ok = s.WriteFront(); !ok) return ok;
      }
    }
  }
  return {};
}

Result<void, EncodeError> PngEncoder::Finish() {
  State& s = *state_;
  if (s.error) return Unexpected{*s.error};
  if (s.rowsTaken != s.height || !s.current) return s.Fail({"fewer rows than the image is high"});
  s.current->last = true;
  s.Submit();
  while (!s.inFlight.empty()) {
    if (auto ok = s.WriteFront(); !ok) return ok;
  }
  return s.WriteChunk("IEND", {}, {}, {});
}

namespace {

class PngImageEncoder final : public ImageEncoder {
 public:
  Result<void, EncodeError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                      std::int32_t rows) override {
    return png.WriteRows(topRow, stride, static_cast<std::uint32_t>(rows));
  }
  Result<void, EncodeError> Finish() override { return png.Finish(); }
  PngEncoder png;
};

}  // namespace

EncoderFactory MakePngEncoderFactory(int level) {
  return [level](int fd, std::int32_t width,
                 std::int32_t height) -> Result<std::unique_ptr<ImageEncoder>, EncodeError> {
    auto encoder = std::make_unique<PngImageEncoder>();
    EVEDA_TRY(begun, encoder->png.Begin(fd, static_cast<std::uint32_t>(width),
                                        static_cast<std::uint32_t>(height), level));
    return std::unique_ptr<ImageEncoder>(std::move(encoder));
  };
}

}  // namespace formats
