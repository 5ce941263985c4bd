#include "pyramid/pyramid_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "dsmod/row_writer.h"
#include "formats/fd_writes.h"
#include "formats/jpeg/jpeg_encoder.h"
#include "formats/png/png_encoder.h"
#include "platform/workers/helper.h"
#include "platform/workers/workers.h"
#include "pyramid/tiles_folder.h"

namespace pyramid {

using DSMod::SaveError;
using eveda::Unexpected;

namespace {

// JPEG tiles are fed this many rows of a level at a time (a little over a megabyte of the top
// level's rows for a grid 26,624 pixels wide).
constexpr std::int64_t kBatchRows = 16;

struct TileJob {
  std::string path;
  const std::uint8_t* topRow = nullptr;  // the pixels to encode, or
  std::ptrdiff_t stride = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> encoded;  // the tile already encoded, written as it is
};

formats::EncoderFactory TileEncoderOf(const DeepZoomOptions& options) {
  if (options.format == TileFormat::Png) return formats::MakePngEncoderFactory(options.pngLevel);
  return formats::MakeJpegEncoderFactory({.quality = options.quality});
}

// The tile's file, or why it could not be written ("12/3_4.jpeg: No space left on device").
std::optional<std::string> EncodeTile(const TileJob& job, const formats::EncoderFactory& factory,
                                      std::size_t folderLength) {
  const auto failed = [&](const std::string& reason) {
    return job.path.substr(folderLength + 1) + ": " + reason;
  };
  const int fd = ::open(job.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return failed(std::strerror(errno));
  std::optional<std::string> error;
  if (job.topRow == nullptr) {
    if (const int failure = formats::WriteAll(fd, job.encoded))
      error = failed(std::strerror(failure));
  } else if (auto encoder = factory(fd, job.width, job.height); !encoder) {
    error = failed(encoder.error().reason);
  } else if (auto wrote = (*encoder)->WriteRows(job.topRow, job.stride, job.height); !wrote) {
    error = failed(wrote.error().reason);
  } else if (auto finished = (*encoder)->Finish(); !finished) {
    error = failed(finished.error().reason);
  }
  if (::close(fd) != 0 && !error) error = failed(std::strerror(errno));
  return error;
}

}  // namespace

// Encodes one batch of tiles at a time on the workers while the caller goes on drawing; the
// caller takes its share of the batch once it has to wait for it. After a failure the
// remaining tiles are skipped, since the pyramid will not be put in place.
class TileEncoders {
 public:
  // `threads` workers; the caller takes its share only when `callerHelps`, or when no worker
  // could be started.
  TileEncoders(formats::EncoderFactory factory, std::size_t folderLength, int threads,
               bool callerHelps)
      : factory_(std::move(factory)), folderLength_(folderLength), callerHelps_(callerHelps) {
    for (int i = 0; i < threads; ++i) {
      auto thread = workers::StartWorker([this] { Work(); });
      if (!thread) break;
      threads_.push_back(std::move(*thread));
    }
  }
  ~TileEncoders() {
    {
      const std::lock_guard lock(mutex_);
      abandoned_ = true;  // what is not encoded yet never will be needed
    }
    Wait();
    {
      const std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  // Starts on `jobs` once the batch before is done (their rows must stay until Wait); the
  // first failure so far.
  std::optional<std::string> Submit(std::vector<TileJob> jobs) {
    auto failed = Wait();
    std::unique_lock lock(mutex_);
    jobs_ = std::move(jobs);
    next_ = finished_ = 0;
    wake_.notify_all();
    return failed;
  }

  // Waits for the batch in hand, encoding its tiles here too; the first failure so far.
  std::optional<std::string> Wait() {
    std::unique_lock lock(mutex_);
    while ((callerHelps_ || threads_.empty()) && next_ < jobs_.size()) RunNext(lock);
    done_.wait(lock, [&] { return finished_ == jobs_.size(); });
    return failure_;
  }

 private:
  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return quit_ || next_ < jobs_.size(); });
      if (quit_) return;
      RunNext(lock);
    }
  }

  // Called with the lock held; encodes one tile without it.
  void RunNext(std::unique_lock<std::mutex>& lock) {
    const TileJob& job = jobs_[next_++];
    const bool skip = failure_.has_value() || abandoned_;
    lock.unlock();
    std::optional<std::string> error =
        skip ? std::nullopt : EncodeTile(job, factory_, folderLength_);
    lock.lock();
    if (error && !failure_) failure_ = std::move(error);
    if (++finished_ == jobs_.size()) done_.notify_all();
  }

  formats::EncoderFactory factory_;
  std::size_t folderLength_;
  bool callerHelps_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::vector<TileJob> jobs_;
  std::size_t next_ = 0;
  std::size_t finished_ = 0;
  bool quit_ = false;
  bool abandoned_ = false;
  std::optional<std::string> failure_;
  std::vector<std::thread> threads_;
};

// A tile row of JPEG tiles encoded as its rows arrive, each tile into memory, so that a level
// holds compressed tiles rather than a strip of its rows; written out when its last row is in.
struct StreamedTileRow {
  std::int64_t index = 0;
  Span rows;
  std::vector<std::vector<std::uint8_t>> tiles;  // by column
  std::vector<std::unique_ptr<formats::ImageEncoder>> encoders;
};

struct PyramidWriter::Level {
  int number = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::size_t stride = 0;
  std::vector<std::uint8_t> strip;  // a tile row's rows (or the level's, when fewer), from firstRow
  std::int64_t firstRow = 0;
  std::vector<StreamedTileRow> streamed;  // JPEG tiles: at most two, a row of the overlap in both
  std::vector<std::uint8_t> batch;        // JPEG tiles: rows from batchFirst, fed a few at a time
  std::int64_t batchFirst = 0;
  std::int64_t batchRows = 0;
  std::int64_t received = 0;
  std::int64_t tileRow = 0;           // the next to be written
  std::vector<std::uint8_t> pending;  // an upper row of the next pair, for the level below
  bool hasPending = false;
  std::vector<std::uint8_t> halved;  // the pair averaged: a row of the level below
};

namespace {

// One row of the level below from rows `a` and `b` (null on an odd last row) of `width`
// pixels; see pyramid_writer.h for the rounding.
void Halve(const std::uint8_t* a, const std::uint8_t* b, std::int64_t width, std::uint8_t* out) {
  const std::int64_t pairs = width / 2;
  if (b != nullptr) {
    for (std::int64_t x = 0; x < pairs * 6; x += 6, out += 3) {
      for (int c = 0; c < 3; ++c)
        out[c] =
            static_cast<std::uint8_t>((a[x + c] + a[x + 3 + c] + b[x + c] + b[x + 3 + c] + 2) / 4);
    }
    if (width % 2 != 0) {
      const std::int64_t x = pairs * 6;
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((a[x + c] + b[x + c] + 1) / 2);
    }
    return;
  }
  for (std::int64_t x = 0; x < pairs * 6; x += 6, out += 3) {
    for (int c = 0; c < 3; ++c)
      out[c] = static_cast<std::uint8_t>((a[x + c] + a[x + 3 + c] + 1) / 2);
  }
  if (width % 2 != 0) std::memcpy(out, a + pairs * 6, 3);
}

// Of the failures the caller's part and the helper's met, the caller's first.
std::optional<SaveError> FirstOf(const std::optional<SaveError> (&failed)[2]) {
  return failed[0] ? failed[0] : failed[1];
}

}  // namespace

PyramidWriter::PyramidWriter(std::string descriptor, std::int32_t width, std::int32_t height,
                             const DeepZoomOptions& options, DSMod::detail::FileSystem& fileSystem)
    : descriptor_(std::move(descriptor)),
      width_(width),
      height_(height),
      options_(options),
      fileSystem_(&fileSystem) {
  const int top = TopLevelOf(width, height);
  const std::int64_t stripRows = std::int64_t{options.tileSize} + 2 * options.overlap;
  for (int number = 0; number <= top; ++number) {
    Level level;
    level.number = number;
    level.width = LevelSide(width, top, number);
    level.height = LevelSide(height, top, number);
    level.stride = static_cast<std::size_t>(level.width) * 3;
    if (options.format == TileFormat::Png)
      level.strip.resize(static_cast<std::size_t>(std::min(level.height, stripRows)) *
                         level.stride);
    if (options.format == TileFormat::Jpeg)
      level.batch.resize(static_cast<std::size_t>(kBatchRows) * level.stride);
    if (number > 0) {
      level.pending.resize(level.stride);
      level.halved.resize(static_cast<std::size_t>((level.width + 1) / 2) * 3);
    }
    levels_.push_back(std::move(level));
  }
  auto folder = TilesFolder::Create(descriptor_);
  if (!folder) {
    error_ = folder.error();
    return;
  }
  folder_ = std::make_unique<TilesFolder>(std::move(*folder));
  for (int number = 0; number <= top; ++number) {
    if (::mkdir((folder_->path() + "/" + std::to_string(number)).c_str(), 0777) != 0) {
      error_ = SaveError{SaveError::Kind::CannotCreate, std::strerror(errno)};
      return;
    }
  }
  // JPEG tiles come encoded and are only written: by one thread, since files made in one folder
  // at once wait for each other (and spin on its lock) in the kernel.
  const bool png = options.format == TileFormat::Png;
  encoders_ = std::make_unique<TileEncoders>(TileEncoderOf(options), folder_->path().size(),
                                             png ? workers::kWorkerThreads : 1, png);
  helper_ = std::make_unique<workers::Helper>();
  feeder_ = std::make_unique<LevelFeeder>(*this);
  writer_ = std::make_unique<DSMod::detail::RowWriter>(*feeder_);
}

// The encoders stop before the folder they write into is taken away.
PyramidWriter::~PyramidWriter() {
  writer_.reset();
  helper_.reset();
  encoders_.reset();
  folder_.reset();
}

// The bands go to a thread of their own, which averages and encodes them while the caller draws
// the next band.
class PyramidWriter::LevelFeeder final : public formats::ImageEncoder {
 public:
  explicit LevelFeeder(PyramidWriter& writer) : writer_(writer) {}
  eveda::Result<void, formats::EncodeError> WriteRows(const std::uint8_t* topRow,
                                                      std::ptrdiff_t stride,
                                                      std::int32_t rows) override {
    for (std::int32_t k = 0; k < rows && !writer_.error_; ++k)
      writer_.AddRow(writer_.levels_.size() - 1, topRow + k * stride);
    if (writer_.error_) return eveda::Unexpected{formats::EncodeError{writer_.error_->reason}};
    return {};
  }
  eveda::Result<void, formats::EncodeError> Finish() override { return {}; }

 private:
  PyramidWriter& writer_;
};

void PyramidWriter::WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                              std::int32_t rows) {
  if (writer_) writer_->Write(topRow, stride, rows);
}

void PyramidWriter::AddRow(std::size_t index, const std::uint8_t* row) {
  Level& level = levels_[index];
  if (level.received >= level.height) return;
  if (options_.format == TileFormat::Jpeg) {
    StreamRow(level, row);
  } else {
    std::memcpy(RowOf(level, level.received), row, level.stride);
    ++level.received;
    const std::int64_t tileRows = TileCount(level.height, options_);
    while (level.tileRow < tileRows &&
           level.received >= TileSpan(level.tileRow, level.height, options_).end)
      WriteTileRow(level);
  }
  if (index == 0) return;
  if (!level.hasPending && level.received < level.height) {
    std::memcpy(level.pending.data(), row, level.stride);
    level.hasPending = true;
    return;
  }
  Halve(level.hasPending ? level.pending.data() : row, level.hasPending ? row : nullptr,
        level.width, level.halved.data());
  level.hasPending = false;
  AddRow(index - 1, level.halved.data());
}

void PyramidWriter::WriteTileRow(Level& level) {
  const Span rows = TileSpan(level.tileRow, level.height, options_);
  if (!error_) {
    std::vector<TileJob> jobs;
    const std::string prefix = folder_->path() + "/" + std::to_string(level.number) + "/";
    std::string suffix(1, '_');
    suffix.append(std::to_string(level.tileRow)).append(".").append(TileExtension(options_.format));
    const std::uint8_t* top = RowOf(level, rows.begin);
    for (std::int64_t column = 0; column < TileCount(level.width, options_); ++column) {
      const Span columns = TileSpan(column, level.width, options_);
      jobs.push_back({prefix + std::to_string(column) + suffix, top + columns.begin * 3,
                      static_cast<std::ptrdiff_t>(level.stride),
                      static_cast<std::int32_t>(columns.end - columns.begin),
                      static_cast<std::int32_t>(rows.end - rows.begin)});
    }
    encoders_->Submit(std::move(jobs));
  }
  ++level.tileRow;
  if (level.tileRow == TileCount(level.height, options_)) return;
  // The rows the next tile row shares with this one go to the top of the strip once this batch
  // is encoded: the drawing waits for the encoders (and encodes with them) rather than holding
  // a second strip of the widest level.
  const std::int64_t first = TileSpan(level.tileRow, level.height, options_).begin;
  if (encoders_) {
    if (auto failed = encoders_->Wait(); failed && !error_)
      error_ = SaveError{SaveError::Kind::CannotWrite, *failed};
  }
  std::memmove(level.strip.data(), RowOf(level, first),
               static_cast<std::size_t>(level.received - first) * level.stride);
  level.firstRow = first;
}

void PyramidWriter::StreamRow(Level& level, const std::uint8_t* row) {
  const std::int64_t y = level.received;
  const std::int64_t tileRows = TileCount(level.height, options_);
  if (level.tileRow < tileRows && TileSpan(level.tileRow, level.height, options_).begin == y) {
    FeedBatch(level);  // the rows before go to the tile rows open before
    while (level.tileRow < tileRows && TileSpan(level.tileRow, level.height, options_).begin == y)
      OpenTileRow(level);
  }
  if (level.batchRows == 0) level.batchFirst = y;
  std::memcpy(level.batch.data() + static_cast<std::size_t>(level.batchRows) * level.stride, row,
              level.stride);
  ++level.batchRows;
  ++level.received;
  const bool ends = !level.streamed.empty() && level.streamed.front().rows.end == level.received;
  if (level.batchRows == kBatchRows || ends) FeedBatch(level);
  while (!level.streamed.empty() && level.streamed.front().rows.end == level.received) {
    CloseTileRow(level, level.streamed.front());
    level.streamed.erase(level.streamed.begin());
  }
}

// The batch's rows to the encoders of the tile rows they belong to, shared with the helper a
// tile at a time.
void PyramidWriter::FeedBatch(Level& level) {
  for (StreamedTileRow& open : level.streamed) {
    const std::int64_t first = std::max(level.batchFirst, open.rows.begin);
    const std::int64_t end = std::min(level.batchFirst + level.batchRows, open.rows.end);
    if (first >= end) continue;
    const std::uint8_t* top =
        level.batch.data() + static_cast<std::size_t>(first - level.batchFirst) * level.stride;
    std::optional<SaveError> failed[2];
    helper_->Share(open.encoders.size(), [&](std::size_t column, int part) {
      if (failed[part]) return;
      const Span columns = TileSpan(static_cast<std::int64_t>(column), level.width, options_);
      auto wrote = open.encoders[column]->WriteRows(top + columns.begin * 3,
                                                    static_cast<std::ptrdiff_t>(level.stride),
                                                    static_cast<std::int32_t>(end - first));
      if (!wrote) failed[part] = SaveError{SaveError::Kind::CannotWrite, wrote.error().reason};
    });
    if (!error_) error_ = FirstOf(failed);
  }
  level.batchRows = 0;
}

void PyramidWriter::OpenTileRow(Level& level) {
  StreamedTileRow open;
  open.index = level.tileRow++;
  open.rows = TileSpan(open.index, level.height, options_);
  if (error_) return;  // nothing more is written
  const auto columns = static_cast<std::size_t>(TileCount(level.width, options_));
  open.tiles.resize(columns);
  open.encoders.resize(columns);
  std::optional<SaveError> failed[2];
  helper_->Share(columns, [&](std::size_t column, int part) {
    const Span span = TileSpan(static_cast<std::int64_t>(column), level.width, options_);
    auto encoder = formats::MakeJpegEncoderInto(
        open.tiles[column], static_cast<std::int32_t>(span.end - span.begin),
        static_cast<std::int32_t>(open.rows.end - open.rows.begin), {.quality = options_.quality});
    if (encoder) {
      open.encoders[column] = std::move(*encoder);
    } else if (!failed[part]) {
      failed[part] = SaveError{SaveError::Kind::CannotWrite, encoder.error().reason};
    }
  });
  if (failed[0] || failed[1]) {
    error_ = FirstOf(failed);
    return;  // nothing more is fed: the rows stop at the error
  }
  level.streamed.push_back(std::move(open));
}

// Finishes the tile row's tiles, shared with the helper, and hands them to the writer.
void PyramidWriter::CloseTileRow(Level& level, StreamedTileRow& open) {
  if (error_) return;
  std::optional<SaveError> failed[2];
  helper_->Share(open.encoders.size(), [&](std::size_t column, int part) {
    if (auto finished = open.encoders[column]->Finish(); !finished && !failed[part])
      failed[part] = SaveError{SaveError::Kind::CannotWrite, finished.error().reason};
    open.encoders[column].reset();
  });
  if (failed[0] || failed[1]) {
    error_ = FirstOf(failed);
    return;
  }
  std::vector<TileJob> jobs;
  const std::string prefix = folder_->path() + "/" + std::to_string(level.number) + "/";
  const std::string suffix =
      "_" + std::to_string(open.index) + "." + std::string(TileExtension(options_.format));
  for (std::size_t column = 0; column < open.encoders.size(); ++column) {
    TileJob job;
    job.path = prefix + std::to_string(column) + suffix;
    job.encoded = std::move(open.tiles[column]);
    jobs.push_back(std::move(job));
  }
  if (auto failed = encoders_->Submit(std::move(jobs)); failed && !error_)
    error_ = SaveError{SaveError::Kind::CannotWrite, *failed};
}

std::uint8_t* PyramidWriter::RowOf(Level& level, std::int64_t row) {
  return level.strip.data() + static_cast<std::size_t>(row - level.firstRow) * level.stride;
}

eveda::Result<std::string, SaveError> PyramidWriter::Finish(const DSMod::NextOutputName&,
                                                            const DSMod::SaveProgress& progress) {
  if (auto failed = writer_ ? writer_->Wait() : std::nullopt; failed && !error_) error_ = *failed;
  if (auto failed = encoders_ ? encoders_->Wait() : std::nullopt; failed && !error_)
    error_ = SaveError{SaveError::Kind::CannotWrite, *failed};
  if (error_) return Unexpected{*error_};
  if (levels_.back().received != height_)
    return Unexpected{SaveError{SaveError::Kind::CannotWrite, "fewer rows than the image has"}};
  // A stop is honoured up to the moment the tiles take their name.
  if (progress && !progress(100)) {
    encoders_.reset();
    folder_.reset();
    return Unexpected{SaveError{SaveError::Kind::Stopped, {}}};
  }
  auto placed = folder_->PutInPlace(DescriptorText(width_, height_, options_), *fileSystem_);
  if (!placed) return Unexpected{placed.error()};
  return descriptor_;
}

}  // namespace pyramid
