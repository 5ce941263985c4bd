// The join's fast paths (bands drawn in reused memory, rows read from the file only as a band
// needs them, the file written while it is drawn) against the straightforward join: the same
// pass with the plain decoder swapped in as its loader (every source decoded whole from its
// whole file) and the whole image as one band. Every BMP variant, order, fit mode, fractional
// cell widths, spacing, a black and a coloured background, and bands smaller than, as tall
// as and taller than a cell give the same file, byte for byte.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "dsmod/image_file.h"
#include "formats/source_reader.h"
#include "join/band_pass.h"
#include "join/output_bands.h"
#include "tests/support/bmp_catalogue.h"
#include "tests/support/plain_decoder.h"
#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

using join::DrawGridBands;
using join::GridPassResult;
using join::SourceOpener;
using Files = std::vector<std::string>;
using OpenFile = eveda::Result<bmp_loader::RowSource, formats::SourceError> (*)(
    const std::string& path, bmp_loader::RowBuffers& own, bmp_loader::ScratchBuffer& scratch);

// Loads each source the plain way: its whole file read, decoded into memory the source keeps.
eveda::Result<bmp_loader::RowSource, formats::SourceError> OpenPlainly(const std::string& path,
                                                                       bmp_loader::RowBuffers& own,
                                                                       bmp_loader::ScratchBuffer&) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  auto image = DecodeWhole(bytes);
  if (!image) return eveda::Unexpected{formats::SourceError{image.error()}};
  own.decoded = std::move(image->pixels);
  return bmp_loader::RowSource::Decoded(bmp_loader::BitmapInfoFor(image->layout),
                                        own.decoded.data());
}

// The files themselves, as every join opens them.
eveda::Result<bmp_loader::RowSource, formats::SourceError> OpenAsFiles(
    const std::string& path, bmp_loader::RowBuffers& own, bmp_loader::ScratchBuffer& scratch) {
  return formats::SourceReader::BmpOnly().Open(path, own, scratch, 0);
}

SourceOpener OpenerOf(const Files& files, OpenFile open) {
  return [&files, open](std::int32_t i, bmp_loader::RowBuffers& own,
                        bmp_loader::ScratchBuffer& scratch) {
    return open(files[static_cast<std::size_t>(i)], own, scratch);
  };
}

// How a pass opens its sources, and what it told on the way.
struct Opening {
  OpenFile open = OpenAsFiles;
  std::size_t ahead = 0;            // sources opened ahead on a second thread
  std::int32_t stopAfter = 0;       // the progress call that answers "stop"; 0: none
  std::vector<std::int32_t> steps;  // each progress call's count of finished sources
};

// The pass written through the output file, as a run writes it; the file's bytes.
std::vector<std::uint8_t> Join(const join::Layout& settings, gdi::COLORREF background,
                               const Files& files, int width, int height, std::int32_t bandRows,
                               Opening& opening, const std::string& path, GridPassResult& result) {
  auto bands = join::CreateOutputBands(gdi::HDC{}, width, height, bandRows, true);
  EXPECT_TRUE(bands);
  if (!bands) return {};
  DSMod::ImageFile file(path, width, height);
  result = DrawGridBands(
      settings, background, static_cast<std::int32_t>(files.size()), *bands,
      [&file](const DSMod::Band& band) {
        file.WriteRows(band.TopRow(), band.RowStep(), band.Rows);
      },
      [&opening](std::int32_t done, std::int32_t) {
        opening.steps.push_back(done);
        return done != opening.stopAfter;
      },
      OpenerOf(files, opening.open), opening.ahead);
  EXPECT_EQ(file.Finish().has_value(), !result.stopped);  // a stopped pass saves nothing
  std::vector<std::uint8_t> bytes = ReadBytes(path);
  std::filesystem::remove(path);
  return bytes;
}

struct Grid {
  Layout layout;
  std::vector<std::int32_t> bandRows;  // smaller than, as tall as and taller than a cell
};

TEST(FastPaths, WriteWhatTheStraightforwardJoinWrites) {
  TempDir dir;
  const std::vector<CatalogueImage> catalogue = BmpCatalogue();
  for (std::size_t k = 0; k < catalogue.size(); ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "v%02zu.bmp", k);
    dir.WriteFile(name, std::string(catalogue[k].file.begin(), catalogue[k].file.end()));
  }
  dir.WriteFile("v99.bmp", "BM and nothing else");  // a refused source keeps the background
  const std::vector<Grid> grids = {
      {{.blockWidth = "9.5", .blockHeight = "7", .spacing = "1", .wrap = "6"}, {1, 5, 7, 8, 20}},
      {{.blockWidth = "40.5", .blockHeight = "30", .spacing = "2", .wrap = "5"}, {3, 30, 64}},
  };
  for (const Grid& grid : grids) {
    for (const int order : {0, 1, 2}) {
      for (const int fit : {0, 1, 2}) {
        for (const Rgb background : {Rgb{0}, Rgb{0x3060C0}}) {
          SCOPED_TRACE(::testing::Message()
                       << "cell " << grid.layout.blockWidth << ", order " << order << ", fit "
                       << fit << ", background " << background);
          Window window(dir.Path());
          window.Loaded();
          Layout layout = grid.layout;
          layout.order = order;
          layout.fit = fit;
          Configure(window, layout);
          ChooseBackground(window, background);
          window.form.PlemoBMP();
          const main_window::RunReport& run = window.form.LastRun();
          ASSERT_EQ(run.outcome, main_window::RunReport::Outcome::Written);
          ASSERT_EQ(run.notDrawn.size(), 1u);
          const auto settings = main_window::LayoutOf(window.form.Job());
          const gdi::COLORREF colour = window.form.Job().BackColor;
          const GTFile::NameList& list = window.form.Job().FileList;
          const Files files(list.begin() + 1, list.end());
          GridPassResult plain;
          Opening plainly{OpenPlainly};
          const std::vector<std::uint8_t> expected =
              Join(settings, colour, files, run.width, run.height, run.height, plainly,
                   dir.PathOf("expected.bmp"), plain);
          ASSERT_EQ(expected.size(),
                    ExpectedHeader(run.width, run.height).size() +
                        std::size_t(run.height) * bmp_format::RowStride(run.width, 24));
          EXPECT_TRUE(ReadBytes(run.outputPath) == expected) << "the window's run";
          for (const std::int32_t rows : grid.bandRows) {
            for (const std::size_t ahead : {0, 3}) {
              GridPassResult banded;
              Opening opening{OpenAsFiles, ahead};
              const std::vector<std::uint8_t> written =
                  Join(settings, colour, files, run.width, run.height, rows, opening,
                       dir.PathOf("banded.bmp"), banded);
              EXPECT_TRUE(written == expected)
                  << "bands of " << rows << " rows, " << ahead << " opened ahead";
              EXPECT_EQ(banded.notDrawn, plain.notDrawn);
              EXPECT_EQ(opening.steps, plainly.steps);
            }
          }
          std::filesystem::remove(run.outputPath);
        }
      }
    }
  }
}

// Sources opened ahead on a second thread change nothing the pass tells: a stop after any
// source ends the pass with the same image, the same sources named and the same counts, and an
// opener that runs out of memory fails the pass as it does when each source is opened in turn.
TEST(FastPaths, OpeningAheadStopsAndFailsWhereOpeningInTurnDoes) {
  TempDir dir;
  Files files;
  for (int k = 0; k < 12; ++k) {
    const std::string name = "s" + std::to_string(10 + k) + ".bmp";
    if (k % 4 == 1) {
      dir.WriteFile(name, "BM and nothing else");
    } else {
      WriteSolid(dir, name, 5, 4, Rgb(0x10 * k + 0x2030));
    }
    files.push_back(dir.PathOf(name));
  }
  join::Layout settings;
  settings.BlockWidth = 5;
  settings.BlockHeight = 4;
  settings.WrapCount = 4;
  const int width = 20, height = 12;
  for (const std::int32_t stopAfter : {1, 2, 7, 12, 0}) {
    SCOPED_TRACE(::testing::Message() << "stop after " << stopAfter);
    GridPassResult inTurn, ahead;
    Opening one{OpenAsFiles, 0, stopAfter}, many{OpenAsFiles, 5, stopAfter};
    const auto expected =
        Join(settings, 0, files, width, height, 3, one, dir.PathOf("a.bmp"), inTurn);
    EXPECT_TRUE(Join(settings, 0, files, width, height, 3, many, dir.PathOf("b.bmp"), ahead) ==
                expected);
    EXPECT_EQ(ahead.stopped, stopAfter != 0);
    EXPECT_EQ(ahead.stopped, inTurn.stopped);
    EXPECT_EQ(ahead.notDrawn, inTurn.notDrawn);
    EXPECT_EQ(many.steps, one.steps);
  }

  // The threads opening ahead never take a stop signal, and an opener that runs out of memory
  // fails the pass.
  std::atomic<int> openedUnheld = 0, calls = 0;
  const SourceOpener watched = [&, drawing = std::this_thread::get_id()](
                                   std::int32_t i, bmp_loader::RowBuffers& own,
                                   bmp_loader::ScratchBuffer& scratch) {
    if (std::this_thread::get_id() != drawing && !StopSignalsHeldHere()) ++openedUnheld;
    if (++calls == 18) throw std::bad_alloc();  // the second pass's sixth
    return OpenPlainly(files[static_cast<std::size_t>(i)], own, scratch);
  };
  for (int pass = 0; pass < 2; ++pass) {
    auto bands = join::CreateOutputBands(gdi::HDC{}, width, height, 3, true);
    ASSERT_TRUE(bands);
    if (pass == 0) {
      DrawGridBands(settings, 0, 12, *bands, {}, {}, watched, 5);
    } else {
      EXPECT_THROW(DrawGridBands(settings, 0, 12, *bands, {}, {}, watched, 4), std::bad_alloc);
    }
  }
  EXPECT_EQ(openedUnheld, 0);
}

// A grid row of hundreds of tall sources, each over 64 KiB and spanning many bands, draws the
// same image when the process may hold fewer descriptors than there are sources, and when
// others hold all but a few of those it may: run in a child, whose limits are its own.
TEST(FastPaths, AGridRowOfManyTallSourcesNeedsNoDescriptorEach) {
  TempDir dir;
  const std::vector<CatalogueImage> catalogue = BmpCatalogue();
  const auto large = std::find_if(catalogue.begin(), catalogue.end(),
                                  [](const auto& c) { return c.name == "info40_24bpp_large"; });
  Files files;
  for (int k = 0; k < 300; ++k) {
    const std::string name = "t" + std::to_string(1000 + k) + ".bmp";
    dir.WriteFile(name, std::string(large->file.begin(), large->file.end()));
    files.push_back(dir.PathOf(name));
  }
  join::Layout settings;
  settings.BlockWidth = 3.5;
  settings.BlockHeight = 140;
  settings.Spacing = 1;
  settings.WrapCount = 300;
  settings.FitMode = join::FitMode::Centre;
  const int width = 1351, height = 142;
  GridPassResult plain;
  Opening plainly{OpenPlainly};
  const std::vector<std::uint8_t> expected =
      Join(settings, 0, files, width, height, height, plainly, dir.PathOf("expected.bmp"), plain);
  const struct {
    rlim_t limit;
    int leftFree;  // descriptors not held by others; 0: as many as the limit allows
  } cases[] = {{280, 0}, {40, 0}, {300, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "limit " << c.limit << ", free " << c.leftFree);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      rlimit fewer{};
      ::getrlimit(RLIMIT_NOFILE, &fewer);
      fewer.rlim_cur = c.limit;
      if (::setrlimit(RLIMIT_NOFILE, &fewer) != 0) ::_exit(2);
      std::vector<int> held;
      for (int fd; c.leftFree > 0 && (fd = ::open("/dev/null", O_RDONLY)) >= 0;) held.push_back(fd);
      for (int k = 0; k < c.leftFree && !held.empty(); ++k, held.pop_back()) ::close(held.back());
      GridPassResult banded;
      Opening asFiles;
      const std::vector<std::uint8_t> written =
          Join(settings, 0, files, width, height, 9, asFiles, dir.PathOf("banded.bmp"), banded);
      ::_exit(banded.notDrawn.empty() && written == expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
}

// The 2 GB limit is the BMP file's: bands for an encoded output are made at any size whose
// row a band can hold, and reach and paint the last row of the tallest image.
TEST(OutputBands, OnlyABmpFileStopsAtTwoGigabytes) {
  struct Case {
    const char* name;
    std::int32_t width;
    std::int32_t height;
    bool bmpFileLimit;
    bool made;
  };
  const Case cases[] = {
      {"BMP one header too long", 342665, 2089, true, false},
      {"PNG of that size", 342665, 2089, false, true},
      {"BMP just within", 1000, 715827, true, true},
      {"BMP of the tallest side", 20, INT32_MAX, true, false},
      {"PNG of the tallest side", 20, INT32_MAX, false, true},
      {"PNG 643 GB", 100, INT32_MAX, false, true},
      {"PNG wider than a band", join::kMaxBandWidth + 1, 1, false, false},
  };
  join::Layout settings;
  settings.BlockHeight = 7;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::int32_t rows = join::BandRowsFor(settings, c.width, c.height);
    auto bands = join::CreateOutputBands(gdi::HDC{}, c.width, c.height, rows, c.bmpFileLimit);
    ASSERT_EQ(bands.has_value(), c.made);
    if (!bands) {
      EXPECT_EQ(bands.error(), DSMod::CanvasError::Overflow);
      continue;
    }
    DSMod::Band& band = (*bands)[1];
    DSMod::MoveBand(band, c.height - 1);
    EXPECT_EQ(band.FirstRow, c.height - 1);
    EXPECT_EQ(band.Rows, 1);
    EXPECT_EQ(band.Height, c.height);
    DSMod::FillBand(band, gdi::RGB(0x12, 0x34, 0x56));
    const auto* last = static_cast<const std::uint8_t*>(band.pBits) + 3 * (c.width - 1);
    EXPECT_EQ(std::vector<std::uint8_t>(last, last + 3),
              (std::vector<std::uint8_t>{0x56, 0x34, 0x12}));
  }
}

}  // namespace
}  // namespace eveda::testing
