// The banded output file: bands given in either memory order make the same BMP file as the
// whole canvas saved at once; another encoder plugs in; the save's progress; nothing left
// behind when the file is dropped or its progress gives it up.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "dsmod/dsmod.h"
#include "dsmod/image_file.h"
#include "tests/dsmod/dsmod_support.h"
#include "tests/support/fault_file_system.h"

namespace {

using eveda::testing::ReadBytes;
using ScratchDirectory = eveda::testing::TempDir;

constexpr int kWidth = 7, kHeight = 23;  // rows of 21 bytes and one of padding

// A 24-bit canvas of recognisable pixels, and the same rows written out band by band.
DSMod::Canvas PatternCanvas() {
  auto canvas = DSMod::CreateCanvas(gdi::HDC{}, 24, kWidth, kHeight, {});
  EXPECT_TRUE(canvas);
  auto* bytes = static_cast<std::uint8_t*>(canvas->pBits);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth * 3; ++x) bytes[y * canvas->Stride + x] = std::uint8_t(y * 31 + x);
  return std::move(*canvas);
}

// Image row y (from the top) of the canvas.
const std::uint8_t* CanvasRow(const DSMod::Canvas& canvas, int y) {
  return static_cast<const std::uint8_t*>(canvas.pBits) + (kHeight - 1 - y) * canvas.Stride;
}

TEST(ImageFile, BandsInEitherRowOrderWriteWhatTheWholeCanvasWrites) {
  ScratchDirectory dir;
  DSMod::Canvas canvas = PatternCanvas();
  ASSERT_TRUE(DSMod::SaveCanvasBMP(canvas, dir / "whole.bmp"));
  const std::vector<std::uint8_t> whole = ReadBytes(dir / "whole.bmp");
  for (const int band : {1, 4, 23}) {
    for (const bool bottomUp : {true, false}) {
      SCOPED_TRACE(::testing::Message() << band << " rows, bottom-up " << bottomUp);
      DSMod::ImageFile file(dir / "banded.bmp", kWidth, kHeight);
      // Top-down copies with a stride of their own, two of them: a band's memory is reused
      // only after the next band has been handed over.
      std::vector<std::uint8_t> copies[2];
      for (int top = 0; top < kHeight; top += band) {
        std::vector<std::uint8_t>& copy = copies[(top / band) % 2];
        const int rows = std::min(band, kHeight - top);
        if (bottomUp) {
          file.WriteRows(CanvasRow(canvas, top), -canvas.Stride, rows);
        } else {
          copy.assign(std::size_t(rows) * 40, 0xEE);  // padding the encoder must not write
          for (int k = 0; k < rows; ++k)
            std::memcpy(copy.data() + k * 40, CanvasRow(canvas, top + k), kWidth * 3);
          file.WriteRows(copy.data(), 40, rows);
        }
      }
      ASSERT_TRUE(file.Finish());
      EXPECT_EQ(ReadBytes(dir / "banded.bmp"), whole);
    }
  }
  DSMod::ReleaseCanvas(canvas);
}

// Another format takes the rows top-down through the same interface.
class RecordingEncoder : public formats::ImageEncoder {
 public:
  RecordingEncoder(std::vector<std::string>& log, int fd) : log_(log), fd_(fd) {}
  eveda::Result<void, formats::EncodeError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t,
                                                      std::int32_t rows) override {
    log_.push_back("rows " + std::to_string(rows) + " from " + std::to_string(topRow[0]));
    return {};
  }
  eveda::Result<void, formats::EncodeError> Finish() override {
    log_.push_back("finish");
    if (::pwrite(fd_, "PNG!", 4, 0) != 4) return eveda::Unexpected{formats::EncodeError{}};
    return {};
  }

 private:
  std::vector<std::string>& log_;
  int fd_;
};

TEST(ImageFile, TakesAnotherEncoderAndTellsTheSavesProgressUpTo100) {
  ScratchDirectory dir;
  DSMod::Canvas canvas = PatternCanvas();
  std::vector<std::string> log;
  DSMod::ImageFile file(
      dir / "out.png", kWidth, kHeight, [&log](int fd, std::int32_t width, std::int32_t height) {
        log.push_back(std::to_string(width) + "x" + std::to_string(height));
        return eveda::Result<std::unique_ptr<formats::ImageEncoder>, formats::EncodeError>(
            std::make_unique<RecordingEncoder>(log, fd));
      });
  file.WriteRows(CanvasRow(canvas, 0), -canvas.Stride, 20);
  file.WriteRows(CanvasRow(canvas, 20), -canvas.Stride, 3);
  std::vector<int> percents;
  ASSERT_TRUE(file.Finish({}, [&percents](int percent) {
    percents.push_back(percent);
    return true;
  }));
  EXPECT_EQ(log,
            std::vector<std::string>({"7x23", "rows 20 from 170", "rows 3 from 62", "finish"}));
  EXPECT_EQ(percents, std::vector<int>({100}));
  EXPECT_EQ(ReadBytes(dir / "out.png"), std::vector<std::uint8_t>({'P', 'N', 'G', '!'}));
  EXPECT_EQ(dir.Names(), std::set<std::string>({"out.png"}));
  DSMod::ReleaseCanvas(canvas);
}

// An encoder that leaves a file of `bytes` bytes, holes mostly: a flush of several steps.
class SizedEncoder : public formats::ImageEncoder {
 public:
  SizedEncoder(int fd, off_t bytes) : fd_(fd), bytes_(bytes) {}
  eveda::Result<void, formats::EncodeError> WriteRows(const std::uint8_t*, std::ptrdiff_t,
                                                      std::int32_t) override {
    return {};
  }
  eveda::Result<void, formats::EncodeError> Finish() override {
    if (::pwrite(fd_, "new", 3, 0) != 3 || ::ftruncate(fd_, bytes_) != 0)
      return eveda::Unexpected{formats::EncodeError{}};
    return {};
  }

 private:
  int fd_;
  off_t bytes_;
};

// A file that never gets its name, whether dropped while its rows are written or given up by
// its progress in the middle of the flush, leaves no file, unnamed or hidden, and the old file
// as it was.
TEST(ImageFile, DroppedOrGivenUpLeavesNothingAndAnOldFileAsItWas) {
  enum class End { Dropped, GivenUp };
  for (const bool named : {false, true}) {
    for (const End end : {End::Dropped, End::GivenUp}) {
      SCOPED_TRACE(::testing::Message() << (named ? "named" : "unnamed") << " file, "
                                        << (end == End::Dropped ? "dropped" : "given up"));
      eveda::testing::FaultFileSystem fileSystem;
      fileSystem.RefuseUnnamed(named);
      ScratchDirectory dir;
      eveda::testing::WriteBytes(dir / "out.bmp", "old");
      DSMod::Canvas canvas = PatternCanvas();
      {
        // 20 MiB: the flush tells 80% after its first step, then 100%.
        DSMod::ImageFile file(
            dir / "out.bmp", kWidth, kHeight,
            [](int fd, std::int32_t, std::int32_t) {
              return eveda::Result<std::unique_ptr<formats::ImageEncoder>, formats::EncodeError>(
                  std::make_unique<SizedEncoder>(fd, off_t{20} << 20));
            },
            fileSystem);
        file.WriteRows(CanvasRow(canvas, 0), -canvas.Stride, 10);
        if (end == End::GivenUp) {
          file.WriteRows(CanvasRow(canvas, 10), -canvas.Stride, kHeight - 10);
          std::vector<int> percents;
          const auto saved = file.Finish({}, [&](int percent) {
            percents.push_back(percent);
            return false;
          });
          ASSERT_FALSE(saved);
          EXPECT_EQ(saved.error().kind, DSMod::SaveError::Kind::Stopped);
          EXPECT_EQ(percents, std::vector<int>{80});
          // Gone already, not only once the file object goes.
          EXPECT_EQ(dir.Names(), std::set<std::string>({"out.bmp"}));
        }
      }
      EXPECT_EQ(dir.Names(), std::set<std::string>({"out.bmp"}));
      EXPECT_EQ(ReadBytes(dir / "out.bmp"), std::vector<std::uint8_t>({'o', 'l', 'd'}));
      DSMod::ReleaseCanvas(canvas);
    }
  }
}

TEST(ImageFile, AnImageTooLargeForABmpFileIsRefusedBeforeAFileIsMade) {
  ScratchDirectory dir;
  DSMod::ImageFile file(dir / "out.bmp", 30000, 30000);
  const auto saved = file.Finish();
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().kind, DSMod::SaveError::Kind::Overflow);
  EXPECT_TRUE(dir.Names().empty());
}

}  // namespace
