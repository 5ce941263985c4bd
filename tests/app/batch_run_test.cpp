// eveda-batch's job, run in-process: exit status, the result line, the reasons, the file.

#include "app/batch_run.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/app/batch_test_support.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/run_test_support.h"
#include "text/caption_font.h"
#include "text/caption_strip.h"

namespace eveda::testing {
namespace {

TEST(Batch, DefaultsAreTheWindowsProposals) {
  TempDir dir;
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
    WriteSolid(dir, name, 40, 20, 0xFF0000);
  WriteSolid(dir, "e.bmp", 30, 25, 0x00FF00);
  const BatchResult r = RunBatchWith({dir.Path()});
  EXPECT_EQ(r.status, app::kExitWritten);
  EXPECT_EQ(r.out, dir.PathOf("plemo001.bmp") + " 120x50\n");
  EXPECT_EQ(r.err, "");
  const WrittenBmp out = ReadWritten(dir.PathOf("plemo001.bmp"));
  EXPECT_EQ(out.Pixel(39, 19), 0xFF0000u);  // first cell, top left
  EXPECT_EQ(out.Pixel(0, 20), 0x000000u);   // below the shorter source
  EXPECT_EQ(out.Pixel(40, 25), 0x00FF00u);  // fifth cell, second row
  EXPECT_EQ(out.Pixel(69, 49), 0x00FF00u);
  EXPECT_EQ(out.Pixel(70, 25), 0x000000u);   // beside the narrower source
  EXPECT_EQ(out.Pixel(119, 49), 0x000000u);  // the empty sixth cell
}

TEST(Batch, OptionsOverrideTheProposals) {
  TempDir dir;
  TempDir elsewhere;
  for (const char* name : {"a.bmp", "b.bmp", "d.bmp", "e.bmp"})
    WriteSolid(dir, name, 100, 50, 0xFF0000);
  WriteSolid(dir, "c.bmp", 60, 30, 0x0000FF);
  const std::string output = elsewhere.PathOf("joined.bmp");
  const BatchResult r =
      RunBatchWith({"-W", "100", "-H", "50", "-s", "3", "-w", "2", "-a", "columns", "-f", "center",
                    "-b", "#804020", "-o", output, dir.Path()});
  EXPECT_EQ(r.status, app::kExitWritten);
  EXPECT_EQ(r.out, output + " 312x109\n");
  EXPECT_FALSE(std::filesystem::exists(dir.PathOf("plemo001.bmp")));
  const WrittenBmp out = ReadWritten(output);
  EXPECT_EQ(out.Pixel(0, 0), 0x804020u);
  EXPECT_EQ(out.Pixel(3, 56), 0xFF0000u);    // second file below the first
  EXPECT_EQ(out.Pixel(126, 13), 0x0000FFu);  // third file centred in (106, 3)
  EXPECT_EQ(out.Pixel(125, 13), 0x804020u);
  EXPECT_EQ(out.Pixel(209, 56), 0x804020u);  // the empty cell under the fifth file
}

// The boxes' own reading: height and spacing rounded half to even, the width kept as typed
// and the output width rounded once.
TEST(Batch, NumbersAreReadAsTheWindowReadsItsBoxes) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 10, 10, 0xFF0000);
  const BatchResult r =
      RunBatchWith({"-W", "10.5", "-H", "10.5", "-s", "2.5", "-b", "FFFFFF", dir.Path()});
  EXPECT_EQ(r.status, app::kExitWritten);
  EXPECT_EQ(r.out, dir.PathOf("plemo001.bmp") + " 14x14\n");
  const WrittenBmp out = ReadWritten(dir.PathOf("plemo001.bmp"));
  EXPECT_EQ(out.Pixel(1, 1), 0xFFFFFFu);
  EXPECT_EQ(out.Pixel(2, 2), 0xFF0000u);
  EXPECT_EQ(out.Pixel(11, 11), 0xFF0000u);
  EXPECT_EQ(out.Pixel(12, 12), 0xFFFFFFu);
}

// A spacing too small for a double is no spacing, not an invalid setting.
TEST(Batch, ASpacingTooCloseToZeroIsNone) {
  const std::string tiny = "0." + std::string(400, '0');
  for (const std::string& spacing : {tiny + "1", tiny + "1e+3"}) {
    TempDir dir;
    WriteSolid(dir, "a.bmp", 10, 10, 0xFF0000);
    const BatchResult r = RunBatchWith({"-s", spacing, dir.Path()});
    EXPECT_EQ(r.status, app::kExitWritten);
    EXPECT_EQ(r.out, dir.PathOf("plemo001.bmp") + " 10x10\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadWritten(dir.PathOf("plemo001.bmp")).Pixel(0, 0), 0xFF0000u);
  }
}

TEST(Batch, UnreadableSourcesAreNamedAndTheRestIsWritten) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 10, 10, 0xFF0000);
  dir.WriteFile("b.bmp", "garbage");
  WriteSolid(dir, "c.bmp", 10, 10, 0x00FF00);
  dir.WriteFile("d.bmp", std::string(100, '\0'));
  const BatchResult r = RunBatchWith({dir.Path()});
  EXPECT_EQ(r.status, app::kExitSomeSourcesUnread);
  EXPECT_EQ(r.out, dir.PathOf("plemo001.bmp") + " 20x20\n");
  // Each file named once: the window's message that lists them is not repeated.
  EXPECT_EQ(r.err, "eveda-batch: could not read " + dir.PathOf("b.bmp") + ": not a BMP file\n" +
                       "eveda-batch: could not read " + dir.PathOf("d.bmp") + ": not a BMP file\n");
  const WrittenBmp out = ReadWritten(dir.PathOf("plemo001.bmp"));
  EXPECT_EQ(out.Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(out.Pixel(10, 0), 0x000000u);
  EXPECT_EQ(out.Pixel(0, 10), 0x00FF00u);
}

struct FailureCase {
  const char* name;
  int sources;                       // of 100 x 50
  std::vector<std::string> options;  // "DIR" in these and in the reason: the directory
  std::string reason;
  std::string directory = "DIR";  // the DIRECTORY argument
  int status = app::kExitNothingWritten;
};

std::string InDir(std::string text, const TempDir& dir) {
  if (const auto at = text.find("DIR"); at != std::string::npos) text.replace(at, 3, dir.Path());
  return text;
}

// Each cell's strip holds exactly what the caption font draws for its caption in a strip of
// its own, an unreadable source's too: ink in the strip only, centred in the cell's width.
TEST(BatchCaptions, EachCellsStripHoldsItsCaption) {
  std::string longName;  // cut to the cell
  for (int i = 0; i < 10000; ++i) longName += i % 3 ? "a" : "\u5199";
  const struct {
    std::vector<std::string> options;
    std::string shown[2];  // the unreadable cell's, the readable one's
    int size;
    Rgb colour;
    int top = 20;  // -H
  } cases[] = {
      {{"-l", "%n %f"}, {"1 b.bmp", "2 \u5199.bmp"}, 12, 0},
      {{"-l", "%b|%e|%w\u00D7%h|%N|%%|%F"},
       {"b|bmp|0\u00D70|2|%|D/b.bmp", "\u5199|bmp|100\u00D720|2|%|D/\u5199.bmp"},
       12,
       0},
      {{"-l", "%f", "--label-size", "20", "--label-color", "C00000"},
       {"b.bmp", "\u5199.bmp"},
       20,
       0xC00000},
      {{"-l", longName}, {longName, longName}, 12, 0},
      {{"-l", "%f", "-H", "860"}, {"b.bmp", "\u5199.bmp"}, 12, 0, 860},  // a band ends in row 873
  };
  for (const auto& c : cases) {
    TempDir dir, elsewhere;
    dir.WriteFile("b.bmp", "garbage");
    WriteSolid(dir, "\u5199.bmp", 100, 20, 0x2040C0);
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-W", "100", "-w", "2", "-b", "FFFFFF", "-o",
                             elsewhere.PathOf("o.bmp"), dir.Path()});
    const BatchResult r = RunBatchWith(args);
    const int strip = text::StripHeight(c.size);
    EXPECT_EQ(r.status, app::kExitSomeSourcesUnread);
    EXPECT_EQ(r.out, elsewhere.PathOf("o.bmp") + " 200x" + std::to_string(c.top + strip) + "\n");
    const WrittenBmp out = ReadWritten(elsewhere.PathOf("o.bmp"));
    EXPECT_EQ(out.Pixel(199, 19), 0x2040C0u);  // -H is the picture area
    auto font = text::CaptionFont::Open("IPAPGothic", c.size);
    for (int cell = 0; cell < 2; ++cell) {
      std::string shown = c.shown[cell];
      if (shown.find("D/") != std::string::npos) shown.replace(shown.find("D/"), 1, dir.Path());
      std::vector<std::uint8_t> own(100 * 3 * strip, 0xFF);
      font->Draw(shown, 100, strip, ColorRefOf(c.colour), own.data(), 300);
      int left = 100, right = -1, differing = 0;
      for (int k = 0; k < 100 * strip; ++k) {
        const Rgb expected = Rgb{own[k * 3 + 2]} << 16 | Rgb{own[k * 3 + 1]} << 8 | own[k * 3];
        differing += out.Pixel(cell * 100 + k % 100, c.top + k / 100) != expected;
        if (expected != 0xFFFFFFu) left = std::min(left, k % 100), right = std::max(right, k % 100);
      }
      EXPECT_EQ(differing, 0) << shown;
      EXPECT_LE(std::abs(left - (99 - right)), 2) << shown << ": ink " << left << ".." << right;
    }
    EXPECT_EQ(font->Fit(longName, 100).ends_with("\u2026"), true);
  }
}

// Before any file is read or written.
TEST(BatchCaptions, AFontNotFoundIsAUsageErrorNamingIt) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 10, 10, 0xFF0000);
  const std::vector<std::string> before = Tree(dir.Path());
  const BatchResult r = RunBatchWith({"-l", "%f", "--font", "No Such Family 42", dir.Path()});
  EXPECT_EQ(r.status, app::kExitUsage);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "eveda-batch: no font matches 'No Such Family 42'\n");
  EXPECT_EQ(Tree(dir.Path()), before);
}

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class BatchFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(BatchFailure, WritesNothingAndSaysWhyInOneLine) {
  const FailureCase& c = GetParam();
  TempDir dir;
  for (int i = 0; i < c.sources; ++i)
    WriteSolid(dir, std::string(1, 'a' + i) + ".bmp", 100, 50, 0xFF0000);
  std::vector<std::string> args;
  for (const std::string& option : c.options) args.push_back(InDir(option, dir));
  args.push_back(InDir(c.directory, dir));
  const std::vector<std::string> before = Tree(dir.Path());
  const BatchResult r = RunBatchWith(args);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, InDir(c.reason, dir) + "\n");
  EXPECT_EQ(Tree(dir.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchFailure,
    ::testing::Values(
        FailureCase{"NoBmpFiles", 0, {}, "eveda-batch: no BMP files in DIR"},
        FailureCase{"NoSuchDirectory",
                    1,
                    {},
                    "eveda-batch: DIR/none: No such file or directory",
                    "DIR/none"},
        FailureCase{"AFileWithoutOutput",
                    1,
                    {},
                    "eveda-batch: DIR/a.bmp is a file; give -o to join files",
                    "DIR/a.bmp",
                    app::kExitUsage},
        FailureCase{"AListThatCannotBeRead",
                    1,
                    {"--files-from", "DIR/none", "-o", "DIR/x.bmp"},
                    "eveda-batch: DIR/none: cannot be opened: No such file or directory",
                    "DIR/a.bmp"},
        FailureCase{"DirectoryNameTooLong",
                    1,
                    {},
                    "eveda-batch: DIR/" + std::string(256, 'x') + ": File name too long",
                    "DIR/" + std::string(256, 'x')},
        FailureCase{"EmptyDirectoryName", 1, {}, "eveda-batch: '': No such file or directory", ""},
        FailureCase{"DirectoryNameWithAnEscape",
                    1,
                    {},
                    "eveda-batch: 'DIR/x'$'\\033''[2J': No such file or directory",
                    "DIR/x\033[2J"},
        FailureCase{"InvalidSettings",
                    2,
                    {"-W", "2000000000", "-w", "2"},
                    "eveda-batch: the settings are not valid"},
        FailureCase{"NoCanvas",
                    1,
                    {"-W", "0.3", "-w", "1"},
                    "eveda-batch: the output image would be 0 x 50, which cannot be made"},
        FailureCase{"ImageBeyond32Bits",
                    1,
                    {"-W", "9999", "-H", "9999", "-s", "0", "-w", "999"},
                    "eveda-batch: the output image (9989001 x 9999) exceeds the 2 GB limit of a "
                    "BMP file"},
        FailureCase{"FileOneHeaderTooLong",
                    1,
                    {"-W", "342665", "-H", "2089", "-s", "0", "-w", "1"},
                    "eveda-batch: the output image (342665 x 2089) exceeds the 2 GB limit of a "
                    "BMP file"},
        FailureCase{"CannotWrite",
                    1,
                    {"-o", "DIR/missing/x.bmp"},
                    "eveda-batch: could not save DIR/missing/x.bmp: No such file or directory"},
        FailureCase{"CannotWriteANameWithANewline",
                    1,
                    {"-o", "DIR/missing\n/x.bmp"},
                    "eveda-batch: could not save 'DIR/missing'$'\\n''/x.bmp': No such file or "
                    "directory"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// Names print as they are unless they hold control characters or bytes that are not UTF-8;
// those print quoted so that a shell reads them back, and never reach the terminal raw.
TEST(Batch, NamesArePrintedSafely) {
  TempDir dir;
  TempDir elsewhere;
  WriteSolid(dir, "a.bmp", 10, 10, 0xFF0000);
  dir.WriteFile("esc\033[2J.bmp", "garbage");
  dir.WriteFile("日本 語.bmp", "garbage");
  dir.WriteFile("two\nlines.bmp", "garbage");
  dir.WriteFile("latin1 \xE9.bmp", "garbage");
  const std::string output = elsewhere.PathOf("out\n1 0x0\n.bmp");
  const BatchResult r = RunBatchWith({"-o", output, dir.Path()});
  EXPECT_EQ(r.status, app::kExitSomeSourcesUnread);
  EXPECT_EQ(r.out, "'" + elsewhere.Path() + "/out'$'\\n''1 0x0'$'\\n''.bmp' 30x20\n");
  EXPECT_EQ(r.err, "eveda-batch: could not read '" + dir.Path() +
                       "/esc'$'\\033''[2J.bmp': not a BMP file\n"
                       "eveda-batch: could not read '" +
                       dir.Path() +
                       "/latin1 '$'\\351''.bmp': not a BMP file\n"
                       "eveda-batch: could not read '" +
                       dir.Path() +
                       "/two'$'\\n''lines.bmp': not a BMP file\n"
                       "eveda-batch: could not read " +
                       dir.PathOf("日本 語.bmp") + ": not a BMP file\n");
  EXPECT_EQ(ReadWritten(output).Pixel(0, 0), 0xFF0000u);
}

// The scan proposes the first free name; with every name taken a script stops rather than
// replace the last one, and nothing is written.
TEST(Batch, AllOutputNamesTakenWritesNothing) {
  for (const int taken : {998, 999}) {
    SCOPED_TRACE(taken);
    TempDir dir;
    WriteSolid(dir, "a.bmp", 10, 10, 0xFF0000);
    for (int number = 1; number <= taken; ++number) {
      char name[32];
      std::snprintf(name, sizeof name, "plemo%03d.bmp", number);
      dir.WriteFile(name, "kept");
    }
    const std::vector<std::string> before = Tree(dir.Path());
    const BatchResult r = RunBatchWith({"-w", "1", "-H", "10", "-W", "10", dir.Path()});
    if (taken == 998) {
      EXPECT_EQ(r.status, app::kExitSomeSourcesUnread);
      EXPECT_EQ(r.out, dir.PathOf("plemo999.bmp") + " 10x9990\n");
      continue;
    }
    EXPECT_EQ(r.status, app::kExitNothingWritten);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "eveda-batch: " + dir.Path() +
                         ": plemo001.bmp to plemo999.bmp are all taken; give -o\n");
    EXPECT_EQ(Tree(dir.Path()), before);
    EXPECT_EQ(ReadBytes(dir.PathOf("plemo999.bmp")),
              std::vector<std::uint8_t>({'k', 'e', 'p', 't'}));
  }
}

TEST(Batch, ALargeOutputIsWrittenWithoutAsking) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 1001, 2, 0x00FF00);
  const BatchResult r = RunBatchWith({dir.Path()});
  EXPECT_EQ(r.status, app::kExitWritten);
  EXPECT_EQ(r.out, dir.PathOf("plemo001.bmp") + " 1001x2\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadWritten(dir.PathOf("plemo001.bmp")).Pixel(1000, 1), 0x00FF00u);
}

// A header that claims more than the file holds must not size every cell of the job: the
// good sources keep their own size and the liar is named with its reason.
TEST(Batch, AHeaderThatLiesAboutItsSizeDoesNotSizeTheCells) {
  const struct {
    std::int32_t side;
    const char* reason;
  } cases[] = {{65536, "the image is too large"},
               {16384, "the pixel data offset lies outside the file"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.side);
    TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
      WriteSolid(dir, name, 8, 8, 0xFF0000);
    dir.WriteFile("liar.bmp", BmpHeader(c.side, c.side));
    const BatchResult r = RunBatchWith({dir.Path()});
    EXPECT_EQ(r.status, app::kExitSomeSourcesUnread);
    EXPECT_EQ(r.out, dir.PathOf("plemo001.bmp") + " 24x16\n");
    EXPECT_EQ(r.err,
              "eveda-batch: could not read " + dir.PathOf("liar.bmp") + ": " + c.reason + "\n");
  }
}

// eveda-batch stopped by a signal at any moment leaves the folder as it was, or, when the run
// had already finished, with the whole new file: never a half-written or hidden leftover. Both
// ways of writing are tried: the unnamed file, which even SIGKILL cannot leave behind, and the
// named one some file systems need, which the handlers of the other three signals remove.
TEST(Batch, StoppedAtAnyMomentLeavesNothingBehind) {
  TempDir dir;
  for (int i = 0; i < 150; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "s%03d.bmp", i);
    WriteSolid(dir, name, 96, 96, 0x102030u * static_cast<Rgb>(i % 7));
  }
  dir.MakeDir("out");
  const std::string output = dir.PathOf("out/joined.bmp");
  dir.WriteFile("out/joined.bmp", "the previous output");
  std::mt19937 random(12345);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
    for (int attempt = 0; attempt < 6; ++attempt) {
      const bool named = attempt % 2 == 1 && signal != SIGKILL;
      int ready[2];
      ASSERT_EQ(::pipe(ready), 0);
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        FaultFileSystem fileSystem;
        fileSystem.RefuseUnnamed(named);
        app::PrepareProcess();
        (void)!::write(ready[1], "r", 1);  // the handlers are in place: stop me any time now
        ::_exit(RunBatchWith({"-o", output, dir.Path()}, fileSystem).status);
      }
      char byte = 0;
      ASSERT_EQ(::read(ready[0], &byte, 1), 1);
      ::close(ready[0]);
      ::close(ready[1]);
      ::usleep(std::uniform_int_distribution<useconds_t>(0, 60000)(random));
      ::kill(child, signal);
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      SCOPED_TRACE(::testing::Message() << "signal " << signal << (named ? ", named" : ""));
      EXPECT_EQ(Tree(dir.PathOf("out")), std::vector<std::string>({"joined.bmp"}));
      // Old or new, never a mix: a run stopped after its rename has put the whole new file,
      // and a stop that came once the new file was in place did not end the run.
      const std::vector<std::uint8_t> bytes = ReadBytes(output);
      const bool replaced = std::string(bytes.begin(), bytes.end()) != "the previous output";
      if (replaced) {
        EXPECT_EQ(bytes.size(), 54u + 1248u * 3 * 1152u);
      }
      if (signal == SIGKILL) {
        EXPECT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) == app::kExitWritten);
      } else {
        EXPECT_TRUE(WIFEXITED(status));
        const int code = WEXITSTATUS(status);
        EXPECT_EQ(code, replaced ? app::kExitWritten : 128 + signal);
      }
      std::filesystem::remove_all(dir.PathOf("out"));
      dir.MakeDir("out");
      dir.WriteFile("out/joined.bmp", "the previous output");
    }
  }
}

// Runs started together on one folder all propose plemo001.bmp; each writes a file of its own
// and prints the name it wrote, so no run's output is lost.
TEST(Batch, RunsStartedTogetherEachKeepTheirOwnOutput) {
  TempDir dir;
  for (int i = 0; i < 40; ++i)
    WriteSolid(dir, std::string("s").append(std::to_string(100 + i)).append(".bmp"), 64, 64,
               0x00FF00);
  constexpr int kRuns = 4;
  std::vector<pid_t> children;
  std::vector<int> outputs;
  for (int k = 0; k < kRuns; ++k) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const BatchResult r = RunBatchWith({dir.Path()});
      (void)!::write(out[1], r.out.data(), r.out.size());
      ::_exit(r.status);
    }
    ::close(out[1]);
    children.push_back(child);
    outputs.push_back(out[0]);
  }
  std::set<std::string> printed;
  for (int k = 0; k < kRuns; ++k) {
    std::string line;
    char buffer[512];
    for (ssize_t got; (got = ::read(outputs[k], buffer, sizeof buffer)) > 0;)
      line.append(buffer, got);
    ::close(outputs[k]);
    int status = 0;
    ASSERT_EQ(::waitpid(children[k], &status, 0), children[k]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == app::kExitWritten) << line;
    printed.insert(line.substr(0, line.find(' ')));
  }
  std::set<std::string> expected;
  for (int k = 1; k <= kRuns; ++k)
    expected.insert(dir.PathOf(std::string("plemo00").append(std::to_string(k)).append(".bmp")));
  EXPECT_EQ(printed, expected);
  for (const std::string& path : expected)
    EXPECT_EQ(ReadWritten(path).Pixel(63, 63), 0x00FF00u) << path;
}

std::string EveryDir(std::string text, const TempDir& dir) {
  for (std::size_t at; (at = text.find("DIR")) != std::string::npos;)
    text.replace(at, 3, dir.Path());
  return text;
}

Rgb ColourOf(int k) { return k == 0 ? 0 : 0x200000u + 0x081020u * static_cast<Rgb>(k); }

// Paths, lists and orders: each file a 10 x 10 cell of its own colour in a column of cells, so
// that the column shows the order the sources were taken in.
struct InputCase {
  const char* name;
  std::vector<std::string> files;  // made in DIR, in colours 1, 2, ...; "fifo" and "loop" too
  std::string list;                // DIR/list's bytes
  std::vector<std::string> args;   // after -o DIR/out.bmp -W 10 -H 10 -w 1
  std::vector<int> cells;          // each cell's colour, top down: 0 for the background
  std::string err;                 // exit 3 when not empty
};

void PrintTo(const InputCase& c, std::ostream* out) { *out << c.name; }

class BatchInputs : public ::testing::TestWithParam<InputCase> {};

TEST_P(BatchInputs, JoinsThePathsInTheirOrder) {
  const InputCase& c = GetParam();
  TempDir dir;
  dir.MakeDir("d");
  dir.MakeDir("d/s");
  dir.MakeLink("loop", "loop");
  ASSERT_EQ(::mkfifo(dir.PathOf("fifo").c_str(), 0600), 0);
  for (std::size_t k = 0; k < c.files.size(); ++k)
    WriteSolid(dir, c.files[k], 10, 10, ColourOf(static_cast<int>(k) + 1));
  dir.WriteFile("list", c.list);
  std::vector<std::string> args = {"-o", dir.PathOf("out.bmp"), "-W", "10", "-H", "10", "-w", "1"};
  for (const std::string& arg : c.args) args.push_back(EveryDir(arg, dir));
  const BatchResult r = RunBatchWith(args);
  EXPECT_EQ(r.status, c.err.empty() ? app::kExitWritten : app::kExitSomeSourcesUnread);
  EXPECT_EQ(r.err, EveryDir(c.err, dir));
  EXPECT_EQ(r.out, dir.PathOf("out.bmp") + " 10x" + std::to_string(10 * c.cells.size()) + "\n");
  const WrittenBmp out = ReadWritten(dir.PathOf("out.bmp"));
  for (std::size_t k = 0; k < c.cells.size(); ++k)
    EXPECT_EQ(out.Pixel(5, 10 * static_cast<int>(k) + 5), ColourOf(c.cells[k])) << "cell " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchInputs,
    ::testing::Values(InputCase{"ArgumentsInTheirOrder",
                                {"x.bmp", "d/img10.bmp", "d/img2.bmp", "b.dat"},
                                "",
                                {"--sort", "natural", "DIR/b.dat", "DIR/d", "DIR/x.bmp"},
                                {4, 3, 2, 1}},
                      InputCase{"RecursiveReversed",
                                {"d/a.bmp", "d/b.bmp", "d/s/c.bmp", "d/.c.bmp"},
                                "",
                                {"-r", "--reverse", "DIR/d"},
                                {3, 2, 1}},
                      InputCase{"ANulListAfterAFile",
                                {"a.bmp", "b.bmp", "n\nl.bmp"},
                                std::string("n\nl.bmp\0\0b.bmp\0", 15),
                                {"-0", "--files-from", "DIR/list", "DIR/a.bmp"},
                                {1, 3, 2}},
                      InputCase{"AListOfWhatCannotBeRead",
                                {"a.bmp"},
                                "missing\nfifo\nloop\n\nd\na.bmp\n",
                                {"--files-from", "DIR/list"},
                                {0, 0, 0, 0, 1},
                                "eveda-batch: could not read DIR/missing: no such file\n"
                                "eveda-batch: could not read DIR/fifo: not a regular file\n"
                                "eveda-batch: could not read DIR/loop: no such file\n"
                                "eveda-batch: could not read DIR/d: not a regular file\n"}),
    [](const ::testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

std::string TextOf(const std::string& path) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The map read back against the image: each rectangle it gives holds its source's colour to
// its edges and no further; a path keeps its bytes.
TEST(Batch, TheMapTellsWhereEachCellWasDrawn) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 12, 10, ColourOf(1));
  WriteSolid(dir, "b.bmp", 6, 4, ColourOf(2));
  dir.WriteFile("c\\\xE9.bmp", "garbage");
  WriteSolid(dir, "d.bmp", 9, 7, ColourOf(4));
  for (const char* map : {"m.csv", "m.JSON"}) {
    EXPECT_EQ(
        RunBatchWith({"-W", "12", "-H", "10", "-s", "2", "-f", "center", "-a", "rows-rtl", "-b",
                      "FFFFFF", "-o", dir.PathOf("out.bmp"), "--map", dir.PathOf(map), dir.Path()})
            .status,
        app::kExitSomeSourcesUnread);
  }
  const std::string d = dir.Path();
  EXPECT_EQ(TextOf(dir.PathOf("m.csv")),
            "index,row,column,path,x,y,width,height,result\r\n0,0,1,\"" + d +
                "/a.bmp\",16,2,12,10,\"drawn\"\r\n1,0,0,\"" + d +
                "/b.bmp\",5,5,6,4,\"drawn\"\r\n2,1,1,\"" + d +
                "/c\\\\\\xE9.bmp\",,,,,\"not a BMP file\"\r\n3,1,0,\"" + d +
                "/d.bmp\",4,16,9,7,\"drawn\"\r\n");
  const WrittenBmp out = ReadWritten(dir.PathOf("out.bmp"));
  const struct {
    int source, x, y, w, h;
  } drawn[] = {{1, 16, 2, 12, 10}, {2, 5, 5, 6, 4}, {4, 4, 16, 9, 7}};
  for (const auto& c : drawn) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(out.Pixel(c.x, c.y), ColourOf(c.source));
    EXPECT_EQ(out.Pixel(c.x + c.w - 1, c.y + c.h - 1), ColourOf(c.source));
    EXPECT_EQ(out.Pixel(c.x - 1, c.y) & out.Pixel(c.x, c.y - 1), 0xFFFFFFu);
    EXPECT_EQ(out.Pixel(c.x + c.w, c.y + c.h - 1) & out.Pixel(c.x, c.y + c.h), 0xFFFFFFu);
  }
  const std::string json = TextOf(dir.PathOf("m.JSON"));
  EXPECT_TRUE(json.starts_with("{\"width\":30,\"height\":26,\"cells\":[\n{\"index\":0,")) << json;
  EXPECT_NE(json.find("{\"index\":2,\"row\":1,\"column\":1,\"path\":\"" + d +
                      "/c\\\\\\\\\\\\xE9.bmp\",\"x\":null,\"y\":null,\"width\":null,\"height\":"
                      "null,\"result\":\"not a BMP file\"},\n"),
            std::string::npos);
}

// A dry run says what a run would make and leaves the folder as it was.
TEST(Batch, ADryRunPrintsTheLayoutAndWritesNothing) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 40, 20, 0xFF0000);
  WriteSolid(dir, "b.bmp", 30, 25, 0xFF0000);
  dir.WriteFile("c.bmp", "garbage");
  const std::vector<std::string> before = Tree(dir.Path());
  BatchResult r = RunBatchWith({"--dry-run", "-s", "1", dir.Path()});
  EXPECT_EQ(r.status, app::kExitSomeSourcesUnread);
  EXPECT_EQ(r.out,
            "sources 3 (1 unreadable)\ncell 40x25, spacing 1\ngrid 2 columns x 2 rows\n"
            "output 83x53 pixels\nbytes 13410 (BMP)\n");
  EXPECT_EQ(r.err, "eveda-batch: could not read " + dir.PathOf("c.bmp") + ": not a BMP file\n");
  r = RunBatchWith({"--dry-run", "-o", dir.PathOf("x.png"), dir.PathOf("a.bmp")});
  EXPECT_EQ(r.status, app::kExitWritten);
  EXPECT_TRUE(r.out.ends_with("output 40x20 pixels\nbytes 2420 before compression (PNG)\n"));
  EXPECT_EQ(RunBatchWith({"--dry-run", "-W", "40000", "-H", "40000", dir.Path()}).status,
            app::kExitNothingWritten);
  EXPECT_EQ(Tree(dir.Path()), before);
}

}  // namespace
}  // namespace eveda::testing
