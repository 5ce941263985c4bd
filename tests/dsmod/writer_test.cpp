#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "dsmod/dsmod.h"
#include "dsmod/image_file.h"
#include "dsmod/output_file.h"
#include "platform/stop_signals/stop_signals.h"
#include "tests/dsmod/dsmod_support.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/fault_file_system.h"

namespace {

using DSMod::Canvas;
using DSMod::SaveError;
using eveda::testing::ReadBytes;
using ScratchDirectory = eveda::testing::TempDir;
using eveda::testing::U16At;
using eveda::testing::U32At;

std::vector<gdi::RGBQUAD> Ramp(int count) {
  std::vector<gdi::RGBQUAD> colours;
  for (int i = 0; i < count; ++i)
    colours.push_back({static_cast<gdi::BYTE>(i), static_cast<gdi::BYTE>(i ^ 0x55),
                       static_cast<gdi::BYTE>(255 - i), 0});
  return colours;
}

// A canvas whose pixel memory holds a recognisable byte pattern.
Canvas PatternCanvas(int bitCount, int width, int height) {
  const std::vector<gdi::RGBQUAD> palette = Ramp(256);
  auto created = DSMod::CreateCanvas(gdi::HDC{}, bitCount, width, height, palette);
  EXPECT_TRUE(created);
  Canvas canvas = std::move(*created);
  auto* bytes = static_cast<std::uint8_t*>(canvas.pBits);
  for (std::size_t i = 0; i < std::size_t(canvas.Stride) * canvas.Height; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return canvas;
}

// The file as it must be: the layout of a BMP file with the canvas's colour table and pixels.
std::vector<std::uint8_t> ExpectedFile(const Canvas& canvas, std::uint32_t offBits) {
  eveda::testing::BmpSpec spec{.width = canvas.Width,
                               .height = canvas.Height,
                               .bitCount = static_cast<std::uint16_t>(canvas.BitCount)};
  spec.sizeImage = 0;
  spec.pelsPerMeter = 0;
  const std::vector<gdi::RGBQUAD> palette = Ramp(256);
  for (std::uint32_t i = 0; i < (offBits - 54) / 4; ++i)
    spec.palette.push_back(palette[i].rgbRed << 16 | palette[i].rgbGreen << 8 | palette[i].rgbBlue);
  const auto* bytes = static_cast<const std::uint8_t*>(canvas.pBits);
  return eveda::testing::BuildBmp(spec,
                                  {bytes, static_cast<std::size_t>(canvas.Stride) * canvas.Height});
}

struct FileCase {
  int bitCount, width, height;
  std::uint32_t offBits;
  std::size_t fileSize;
};

TEST(SaveCanvasBMP, WritesTheFileByteForByte) {
  const FileCase cases[] = {
      {24, 101, 2, 54, 662},   {24, 1, 1, 54, 58},    {8, 3, 2, 1078, 1078 + 8},
      {4, 3, 2, 118, 118 + 8}, {1, 3, 2, 62, 62 + 8}, {16, 3, 2, 54, 54 + 16},
      {32, 3, 2, 54, 54 + 24},
  };
  ScratchDirectory directory;
  for (const FileCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bitCount << " bits, " << c.width << " x " << c.height);
    Canvas canvas = PatternCanvas(c.bitCount, c.width, c.height);
    const std::string path = directory / "out.bmp";
    ASSERT_TRUE(DSMod::SaveCanvasBMP(canvas, path));
    const std::vector<std::uint8_t> file = ReadBytes(path);
    EXPECT_EQ(file.size(), c.fileSize);
    EXPECT_EQ(U32At(file, 2), c.fileSize);  // bfSize right after "BM", no gap
    EXPECT_EQ(U32At(file, 10), c.offBits);
    EXPECT_EQ(U32At(file, 30), 0u);  // BI_RGB, no masks even at 16 and 32 bits
    EXPECT_EQ(U32At(file, 34), 0u);  // biSizeImage
    EXPECT_EQ(U16At(file, 28), c.bitCount);
    EXPECT_EQ(file, ExpectedFile(canvas, c.offBits));
    // Written from the section itself: the file holds the pixels as they are in memory.
    const auto bits = eveda::testing::CanvasBits(canvas);
    ASSERT_TRUE(bits);
    EXPECT_TRUE(std::equal(bits->begin(), bits->end(), file.begin() + c.offBits));
    DSMod::ReleaseCanvas(canvas);
  }
  EXPECT_EQ(directory.Names(), std::set<std::string>{"out.bmp"});
}

TEST(SaveCanvasBMP, ReplacesALongerFileCompletely) {
  ScratchDirectory directory;
  const std::string path = directory / "plemo001.bmp";
  eveda::testing::WriteBytes(path, std::string(5000, 'x'));
  Canvas canvas = PatternCanvas(24, 101, 2);
  ASSERT_TRUE(DSMod::SaveCanvasBMP(canvas, path));
  EXPECT_EQ(ReadBytes(path), ExpectedFile(canvas, 54));
  EXPECT_EQ(directory.Names(), std::set<std::string>{"plemo001.bmp"});
  DSMod::ReleaseCanvas(canvas);
}

TEST(SaveCanvasBMP, RefusesAFileSizeBeyondTheRangeBeforeTouchingAnything) {
  ScratchDirectory directory;
  Canvas canvas;  // no pixel memory: nothing may be read
  canvas.BitCount = 24;
  canvas.Width = 1;
  canvas.Height = 536870899;
  canvas.Stride = 4;  // 2,147,483,596 bytes of pixels fit; the 54 bytes of headers do not
  const auto saved = DSMod::SaveCanvasBMP(canvas, directory / "big.bmp");
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().kind, SaveError::Kind::Overflow);
  EXPECT_TRUE(directory.Names().empty());
}

TEST(SaveCanvasBMP, RefusesAReleasedCanvas) {
  ScratchDirectory directory;
  Canvas canvas = PatternCanvas(24, 4, 4);
  DSMod::ReleaseCanvas(canvas);
  const auto saved = DSMod::SaveCanvasBMP(canvas, directory / "out.bmp");
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().kind, SaveError::Kind::NotACanvas);
  EXPECT_TRUE(directory.Names().empty());
}

// Every save runs with an unnamed file where the file system has them and a hidden named one
// where it has not; for these tests a file system that refuses unnamed files forces the
// named way.
struct NamedFiles {
  explicit NamedFiles(bool named) { fileSystem.RefuseUnnamed(named); }
  eveda::testing::FaultFileSystem fileSystem;
};

template <class Case, std::size_t N>
std::vector<std::pair<Case, bool>> BothWays(const Case (&cases)[N]) {
  std::vector<std::pair<Case, bool>> out;
  for (const bool named : {false, true})
    for (const Case& c : cases) out.emplace_back(c, named);
  return out;
}

struct FailureCase {
  const char* what;
  std::string (*target)(const ScratchDirectory&);
  SaveError::Kind kind;
  const char* reason;
};

TEST(SaveCanvasBMP, FailuresLeaveOldFilesAndNoTemporaryFile) {
  const FailureCase cases[] = {
      {"missing directory", [](const ScratchDirectory& d) { return d / "missing/out.bmp"; },
       SaveError::Kind::CannotCreate, "No such file or directory"},
      {"parent is a file", [](const ScratchDirectory& d) { return d / "old.bmp/out.bmp"; },
       SaveError::Kind::CannotCreate, "Not a directory"},
      {"target is a directory", [](const ScratchDirectory& d) { return d / "folder"; },
       SaveError::Kind::CannotCreate, "Is a directory"},
      {"no file name", [](const ScratchDirectory& d) { return d / ""; },
       SaveError::Kind::CannotCreate, "Is a directory"},
  };
  for (const auto& [c, named] : BothWays(cases)) {
    SCOPED_TRACE(testing::Message() << c.what << (named ? ", named" : ", unnamed"));
    NamedFiles way(named);
    ScratchDirectory directory;
    eveda::testing::WriteBytes(directory / "old.bmp", "old contents");
    std::filesystem::create_directory(directory / "folder");
    Canvas canvas = PatternCanvas(24, 5, 5);
    const auto saved = DSMod::SaveCanvasBMP(canvas, c.target(directory), way.fileSystem);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, c.kind);
    EXPECT_EQ(saved.error().reason, c.reason);
    EXPECT_EQ(directory.Names(), (std::set<std::string>{"folder", "old.bmp"}));
    EXPECT_TRUE(std::filesystem::is_empty(directory / "folder"));
    const std::vector<std::uint8_t> old = ReadBytes(directory / "old.bmp");
    EXPECT_EQ(std::string(old.begin(), old.end()), "old contents");
    DSMod::ReleaseCanvas(canvas);
  }
}

// A file-size limit makes the write stop part way, as a full disk would.
TEST(SaveCanvasBMP, WriteFailingPartWayKeepsTheOldFile) {
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "named" : "unnamed");
    NamedFiles way(named);
    ScratchDirectory directory;
    const std::string path = directory / "plemo001.bmp";
    eveda::testing::WriteBytes(path, "old contents");
    Canvas canvas = PatternCanvas(24, 101, 2);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 100;
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto result = DSMod::SaveCanvasBMP(canvas, path, way.fileSystem);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, SaveError::Kind::CannotWrite);
    EXPECT_EQ(result.error().reason, "File too large");
    const std::vector<std::uint8_t> old = ReadBytes(path);
    EXPECT_EQ(std::string(old.begin(), old.end()), "old contents");
    EXPECT_EQ(directory.Names(), std::set<std::string>{"plemo001.bmp"});
    DSMod::ReleaseCanvas(canvas);
  }
}

TEST(SaveCanvasBMP, NewFileGetsOrdinaryPermissions) {
  ScratchDirectory directory;
  Canvas canvas = PatternCanvas(24, 2, 2);
  const std::string path = directory / "out.bmp";
  ASSERT_TRUE(DSMod::SaveCanvasBMP(canvas, path));
  const mode_t mask = umask(0);
  umask(mask);
  const auto permissions = std::filesystem::status(path).permissions();
  EXPECT_EQ(static_cast<mode_t>(permissions), 0666 & ~mask);
  DSMod::ReleaseCanvas(canvas);
}

// Rows handed over while the canvas is drawn land where a whole save would put them, and no
// name shows in the directory until the file is complete (the named way shows only a hidden
// one).
TEST(ImageFile, BandsWrittenWhileDrawingMakeTheSameFile) {
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "named" : "unnamed");
    NamedFiles way(named);
    ScratchDirectory directory;
    Canvas canvas = PatternCanvas(24, 7, 9);
    const auto* bytes = static_cast<const std::uint8_t*>(canvas.pBits);
    {
      DSMod::ImageFile file(directory / "out.bmp", 7, 9, {}, way.fileSystem);
      for (int top = 0; top < 9; top += 4) {  // bands of 4, 4 and 1 rows, stored bottom-up
        const int rows = std::min(4, 9 - top);
        file.WriteRows(bytes + (8 - top) * canvas.Stride, -canvas.Stride, rows);
      }
      const std::set<std::string> during = directory.Names();
      EXPECT_EQ(during.size(), named ? 1u : 0u);
      if (named) {
        EXPECT_TRUE(during.begin()->starts_with(".eveda-save-"));
      }
      const auto written = file.Finish();
      ASSERT_TRUE(written);
      EXPECT_EQ(*written, directory / "out.bmp");
    }
    EXPECT_EQ(ReadBytes(directory / "out.bmp"), ExpectedFile(canvas, 54));
    EXPECT_EQ(directory.Names(), std::set<std::string>{"out.bmp"});
  }
}

// What a signal handler calls takes the hidden file away, and only that.
TEST(ImageFile, PendingFileIsRemovedForASignalHandler) {
  NamedFiles way(true);
  ScratchDirectory directory;
  eveda::testing::WriteBytes(directory / "out.bmp", "old contents");
  DSMod::ImageFile file(directory / "out.bmp", 8, 8, {}, way.fileSystem);
  EXPECT_EQ(directory.Names().size(), 2u);
  stop_signals::RemovePendingFile();
  EXPECT_EQ(directory.Names(), std::set<std::string>{"out.bmp"});
}

// Where the name was only proposed, a file that took it meanwhile is never replaced: the save
// takes the next name offered, and fails with nothing left when none is.
TEST(ImageFile, NameTakenMeanwhileIsKept) {
  for (const bool named : {false, true}) {
    for (const int taken : {1, 2, 3}) {
      SCOPED_TRACE(testing::Message() << (named ? "named, " : "unnamed, ") << taken << " taken");
      NamedFiles way(named);
      ScratchDirectory directory;
      std::set<std::string> before;
      for (int k = 1; k <= taken; ++k) {
        const std::string name = "plemo00" + std::to_string(k) + ".bmp";
        eveda::testing::WriteBytes(directory / name, "another run");
        before.insert(name);
      }
      const DSMod::NextOutputName next =
          [&](const std::string& name) -> std::optional<std::string> {
        const int number = name.back() == 'p' ? name[name.size() - 5] - '0' : 0;
        if (number >= 3) return std::nullopt;
        return directory / ("plemo00" + std::to_string(number + 1) + ".bmp");
      };
      Canvas canvas = PatternCanvas(24, 4, 4);
      const auto* bytes = static_cast<const std::uint8_t*>(canvas.pBits);
      const auto written = [&] {
        DSMod::ImageFile file(directory / "plemo001.bmp", 4, 4, {}, way.fileSystem);
        file.WriteRows(bytes + 3 * canvas.Stride, -canvas.Stride, 4);
        return file.Finish(next);
      }();
      for (const std::string& name : before) {
        const std::vector<std::uint8_t> bytes = ReadBytes(directory / name);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "another run") << name;
      }
      if (taken == 3) {
        ASSERT_FALSE(written);
        EXPECT_EQ(written.error().reason, "File exists");
        EXPECT_EQ(directory.Names(), before);
      } else {
        ASSERT_TRUE(written);
        const std::string expected = "plemo00" + std::to_string(taken + 1) + ".bmp";
        EXPECT_EQ(*written, directory / expected);
        EXPECT_EQ(ReadBytes(*written), ExpectedFile(canvas, 54));
        before.insert(expected);
        EXPECT_EQ(directory.Names(), before);
      }
    }
  }
}

}  // namespace
