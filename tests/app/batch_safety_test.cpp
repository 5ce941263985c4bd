// eveda-batch's output, from the user's side: what -o may replace, standard output, what a
// stop leaves, statuses that tell the truth, and the output never taken as a source. Runs
// that need their own process (signals, limits, standard output) are made in a child.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch_options.h"
#include "app/batch_run.h"
#include "app/batch_texts.h"
#include "app/progress_line.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

using Call = FaultFileSystem::Call;

struct ChildResult {
  int status = -1;      // the exit status, or 1000 + the signal that ended the child
  std::string printed;  // what the run gave its `out` stream
  std::string err;
  std::string standardOutput;  // the bytes on file descriptor 1
};

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ChildSetUp {
  bool namedFiles = false;                       // the file system refuses unnamed files
  std::function<void(FaultFileSystem&)> faults;  // more faults
  std::function<void()> before;                  // anything else, just before the run
  bool resultToStandardOutput = false;           // the result line goes to std::cout
};

// Runs eveda-batch's job in a child process set up as eveda-batch sets itself up, with file
// descriptors 1 and 2 in files.
ChildResult RunInChild(const std::vector<std::string>& args, const ChildSetUp& setUp = {}) {
  TempDir capture;
  const pid_t child = ::fork();
  if (child == 0) {
    const int out = ::open(capture.PathOf("stdout").c_str(), O_WRONLY | O_CREAT, 0600);
    const int err = ::open(capture.PathOf("stderr").c_str(), O_WRONLY | O_CREAT, 0600);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    FaultFileSystem fileSystem;
    fileSystem.RefuseUnnamed(setUp.namedFiles);
    if (setUp.faults) setUp.faults(fileSystem);
    app::PrepareProcess();
    if (setUp.before) setUp.before();
    const std::vector<std::string_view> views(args.begin(), args.end());
    const auto options = app::ParseBatchOptions(views);
    if (!options) ::_exit(99);
    std::ostringstream printed;
    std::ostringstream messages;
    const int status = app::RunBatch(
        *options, setUp.resultToStandardOutput ? static_cast<std::ostream&>(std::cout) : printed,
        messages, fileSystem);
    capture.WriteFile("printed", printed.str());
    capture.WriteFile("messages", messages.str());
    ::_exit(status);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ChildResult result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  result.printed = FileText(capture.PathOf("printed"));
  result.err = FileText(capture.PathOf("messages")) + FileText(capture.PathOf("stderr"));
  result.standardOutput = FileText(capture.PathOf("stdout"));
  return result;
}

std::string InDir(std::string text, const TempDir& dir) {
  for (std::size_t at; (at = text.find("DIR")) != std::string::npos;)
    text.replace(at, 3, dir.Path());
  return text;
}

// Two sources of 10 x 10 in DIR/src.
void WriteSources(const TempDir& dir) {
  dir.MakeDir("src");
  WriteSolid(dir, "src/a.bmp", 10, 10, 0xFF0000);
  WriteSolid(dir, "src/b.bmp", 10, 10, 0x00FF00);
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

mode_t ModeOf(const std::string& path, bool followLinks = true) {
  struct stat status {};
  (followLinks ? ::stat : ::lstat)(path.c_str(), &status);
  return status.st_mode;
}

void MakeSocket(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

// What -o may and may not replace: only a regular file, reached through any symbolic links,
// which stay; the set-ID bits of a replaced file are never carried over.
struct TargetCase {
  const char* name;
  std::function<void(const TempDir&)> setUp;
  std::string output;  // "DIR" stands for the test's directory
  int status;
  std::string err;
  std::function<void(const TempDir&)> check;
};

void PrintTo(const TargetCase& c, std::ostream* out) { *out << c.name; }

class OutputTarget : public ::testing::TestWithParam<TargetCase> {};

TEST_P(OutputTarget, OnlyARegularFileIsReplaced) {
  const TargetCase& c = GetParam();
  TempDir dir;
  WriteSources(dir);
  dir.MakeDir("out");
  if (c.setUp) c.setUp(dir);
  const std::vector<std::string> before = Tree(dir.Path());
  const ChildResult r = RunInChild({"-q", "-o", InDir(c.output, dir), dir.PathOf("src")});
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.err, InDir(c.err, dir));
  if (c.status == app::kExitWritten) {
    EXPECT_EQ(r.printed, InDir(c.output, dir) + " 20x10\n");
  } else {
    EXPECT_EQ(r.printed, "");
    EXPECT_EQ(Tree(dir.Path()), before);
  }
  c.check(dir);
}

void IsWrittenBmp(const std::string& path) {
  EXPECT_TRUE(S_ISREG(ModeOf(path, false))) << path;
  EXPECT_EQ(ReadWritten(path).Pixel(0, 0), 0xFF0000u) << path;
  EXPECT_EQ(ReadWritten(path).Pixel(19, 9), 0x00FF00u) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, OutputTarget,
    ::testing::Values(
        TargetCase{"Fifo", [](const TempDir& d) { ::mkfifo(d.PathOf("out/x.bmp").c_str(), 0600); },
                   "DIR/out/x.bmp", app::kExitNothingWritten,
                   "eveda-batch: DIR/out/x.bmp: not a regular file\n",
                   [](const TempDir& d) { EXPECT_TRUE(S_ISFIFO(ModeOf(d.PathOf("out/x.bmp")))); }},
        TargetCase{"Socket", [](const TempDir& d) { MakeSocket(d.PathOf("out/s.bmp")); },
                   "DIR/out/s.bmp", app::kExitNothingWritten,
                   "eveda-batch: DIR/out/s.bmp: not a regular file\n",
                   [](const TempDir& d) { EXPECT_TRUE(S_ISSOCK(ModeOf(d.PathOf("out/s.bmp")))); }},
        TargetCase{"Directory", [](const TempDir& d) { d.MakeDir("out/d.bmp"); }, "DIR/out/d.bmp",
                   app::kExitNothingWritten, "eveda-batch: DIR/out/d.bmp: Is a directory\n",
                   [](const TempDir& d) {
                     EXPECT_TRUE(std::filesystem::is_empty(d.PathOf("out/d.bmp")));
                   }},
        TargetCase{"LinkToAFifo",
                   [](const TempDir& d) {
                     ::mkfifo(d.PathOf("out/fifo").c_str(), 0600);
                     d.MakeLink("out/l.bmp", "fifo");
                   },
                   "DIR/out/l.bmp", app::kExitNothingWritten,
                   "eveda-batch: DIR/out/l.bmp: not a regular file\n",
                   [](const TempDir& d) {
                     EXPECT_TRUE(S_ISLNK(ModeOf(d.PathOf("out/l.bmp"), false)));
                     EXPECT_TRUE(S_ISFIFO(ModeOf(d.PathOf("out/fifo"))));
                   }},
        TargetCase{"LinkToAFile",
                   [](const TempDir& d) {
                     d.WriteFile("real/t.bmp", "old");
                     d.MakeLink("out/l.bmp", "../real/t.bmp");
                   },
                   "DIR/out/l.bmp", app::kExitWritten, "",
                   [](const TempDir& d) {
                     EXPECT_EQ(std::filesystem::read_symlink(d.PathOf("out/l.bmp")),
                               "../real/t.bmp");
                     IsWrittenBmp(d.PathOf("real/t.bmp"));
                     EXPECT_EQ(Tree(d.PathOf("real")), std::vector<std::string>{"t.bmp"});
                   }},
        TargetCase{"LinkToALink",
                   [](const TempDir& d) {
                     d.WriteFile("real/t.bmp", "old");
                     d.MakeLink("real/middle", "t.bmp");
                     d.MakeLink("out/l.bmp", d.PathOf("real/middle"));
                   },
                   "DIR/out/l.bmp", app::kExitWritten, "",
                   [](const TempDir& d) {
                     EXPECT_TRUE(S_ISLNK(ModeOf(d.PathOf("real/middle"), false)));
                     IsWrittenBmp(d.PathOf("real/t.bmp"));
                   }},
        TargetCase{"DanglingLink",
                   [](const TempDir& d) {
                     d.MakeDir("real");
                     d.MakeLink("out/l.bmp", "../real/new.bmp");
                   },
                   "DIR/out/l.bmp", app::kExitWritten, "",
                   [](const TempDir& d) {
                     EXPECT_TRUE(S_ISLNK(ModeOf(d.PathOf("out/l.bmp"), false)));
                     IsWrittenBmp(d.PathOf("real/new.bmp"));
                     EXPECT_EQ(Tree(d.PathOf("real")), std::vector<std::string>{"new.bmp"});
                   }},
        TargetCase{"SetIdBitsAreNotCarried",
                   [](const TempDir& d) {
                     d.WriteFile("out/id.bmp", "old");
                     ::chmod(d.PathOf("out/id.bmp").c_str(), 06755);
                   },
                   "DIR/out/id.bmp", app::kExitWritten, "",
                   [](const TempDir& d) {
                     EXPECT_EQ(ModeOf(d.PathOf("out/id.bmp")) & 07777, 0755u);
                     IsWrittenBmp(d.PathOf("out/id.bmp"));
                   }},
        TargetCase{"UpperCaseExtension",
                   {},
                   "DIR/out/X.BMP",
                   app::kExitWritten,
                   "",
                   [](const TempDir& d) { IsWrittenBmp(d.PathOf("out/X.BMP")); }},
        TargetCase{"NoExtension",
                   {},
                   "DIR/out/grid",
                   app::kExitWritten,
                   "",
                   [](const TempDir& d) { IsWrittenBmp(d.PathOf("out/grid")); }}),
    [](const ::testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

// -o - sends the very bytes -o FILE writes to standard output, and the size to stderr; in
// either way of writing nothing is left in the temporary folder. PNG, JPEG and WebP never use it.
TEST(BatchStandardOutput, GetsTheFileAndStderrTheSize) {
  TempDir dir;
  WriteSources(dir);
  const std::tuple<const char*, const char*, bool, bool> cases[] = {
      {"bmp", "f.bmp", false, false},  {"bmp", "f.bmp", false, true},
      {"png", "f.png", true, false},   {"jpeg", "f.jpg", true, true},
      {"tiff", "f.tif", false, false}, {"tiff", "f.tif", false, true},
      {"webp", "f.webp", true, false}};
  for (const auto& [format, name, streamed, named] : cases) {
    ASSERT_EQ(RunInChild({"-q", "-o", dir.PathOf(name), dir.PathOf("src")}).status, 0);
    const std::string file = Text(ReadBytes(dir.PathOf(name)));
    SCOPED_TRACE(std::string(format) + (named ? " named" : " unnamed"));
    TempDir temporary;
    const std::string folder = streamed ? dir.PathOf("none") : temporary.Path();
    ChildSetUp setUp;
    setUp.namedFiles = named;
    setUp.before = [&] { ::setenv("TMPDIR", folder.c_str(), 1); };
    const ChildResult r = RunInChild({"-q", "-O", format, "-o", "-", dir.PathOf("src")}, setUp);
    EXPECT_EQ(r.status, app::kExitWritten);
    EXPECT_EQ(r.printed, "");
    EXPECT_EQ(r.err, "eveda-batch: 20x10\n");
    EXPECT_EQ(r.standardOutput, file);
    EXPECT_TRUE(Tree(temporary.Path()).empty());
    // A reader that goes away (| head -c 100) is told, and takes nothing with it.
    setUp.before = [&] {
      ::setenv("TMPDIR", folder.c_str(), 1);
      int ends[2];
      if (::pipe(ends) != 0) ::_exit(98);
      ::close(ends[0]);
      ::dup2(ends[1], STDOUT_FILENO);
    };
    const ChildResult gone = RunInChild({"-q", "-O", format, "-o", "-", dir.PathOf("src")}, setUp);
    EXPECT_EQ(gone.status, app::kExitNothingWritten);
    EXPECT_EQ(gone.err, "eveda-batch: could not save -: standard output was closed\n");
    EXPECT_TRUE(Tree(temporary.Path()).empty());
  }
}

TEST(BatchStandardOutput, ATerminalIsRefused) {
  TempDir dir;
  WriteSources(dir);
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(::grantpt(terminal), 0);
  ASSERT_EQ(::unlockpt(terminal), 0);
  const std::string side = ::ptsname(terminal);
  ChildSetUp setUp;
  setUp.before = [&] {
    const int fd = ::open(side.c_str(), O_RDWR | O_NOCTTY);
    ::dup2(fd, STDOUT_FILENO);
  };
  const ChildResult r = RunInChild({"-q", "-o", "-", dir.PathOf("src")}, setUp);
  ::close(terminal);
  EXPECT_EQ(r.status, app::kExitUsage);
  EXPECT_EQ(r.err, "eveda-batch: standard output is a terminal; -o - writes to a pipe or a file\n");
}

// A stop signal at each moment of the save, in each way of writing: before the file is in
// place it leaves the old output and nothing else, and ends the run with 128 + the signal;
// once the new file has its name the run finishes, prints it and exits 0.
TEST(BatchStop, EachSignalAtEachMomentOfTheSave) {
  enum class Moment { kFileCreated, kOutputInPlace };
  TempDir dir;
  WriteSources(dir);
  const std::string output = dir.PathOf("out/joined.bmp");
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (const bool named : {false, true}) {
      for (const Moment moment : {Moment::kFileCreated, Moment::kOutputInPlace}) {
        SCOPED_TRACE(::testing::Message()
                     << "signal " << signal << (named ? ", named" : ", unnamed")
                     << (moment == Moment::kFileCreated ? ", file created" : ", in place"));
        std::filesystem::remove_all(dir.PathOf("out"));
        dir.WriteFile("out/joined.bmp", "the previous output");
        ChildSetUp setUp;
        setUp.namedFiles = named;
        setUp.faults = [&](FaultFileSystem& fileSystem) {
          const Call call = moment == Moment::kOutputInPlace ? Call::Rename
                            : named                          ? Call::OpenNamed
                                                             : Call::OpenUnnamed;
          fileSystem.After(call, [signal] { ::raise(signal); });
        };
        const ChildResult r = RunInChild({"-q", "-o", output, dir.PathOf("src")}, setUp);
        EXPECT_EQ(Tree(dir.PathOf("out")), std::vector<std::string>{"joined.bmp"});
        if (moment == Moment::kFileCreated) {
          EXPECT_EQ(r.status, 128 + signal);
          EXPECT_EQ(r.printed, "");
          EXPECT_EQ(Text(ReadBytes(output)), "the previous output");
        } else {
          EXPECT_EQ(r.status, app::kExitWritten);
          EXPECT_EQ(r.printed, output + " 20x10\n");
          IsWrittenBmp(output);
        }
      }
    }
  }
}

// Failures that come from the process's limits or its surroundings are told in one line with
// exit status 1, and leave nothing but the old output.
struct LimitCase {
  const char* name;
  ChildSetUp setUp;
  std::string err;
  bool written;  // the file is in place, only its report failed
};

void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.name; }

class BatchLimit : public ::testing::TestWithParam<std::tuple<LimitCase, bool>> {};

TEST_P(BatchLimit, OneLineAndStatusOne) {
  auto [c, named] = GetParam();
  TempDir dir;
  WriteSources(dir);
  dir.WriteFile("out/x.bmp", "old");
  c.setUp.namedFiles = named;
  const ChildResult r =
      RunInChild({"-q", "-o", dir.PathOf("out/x.bmp"), dir.PathOf("src")}, c.setUp);
  EXPECT_EQ(r.status, app::kExitNothingWritten);
  EXPECT_EQ(r.err, InDir(c.err, dir));
  EXPECT_EQ(Tree(dir.PathOf("out")), std::vector<std::string>{"x.bmp"});
  if (c.written) {
    IsWrittenBmp(dir.PathOf("out/x.bmp"));
  } else {
    EXPECT_EQ(Text(ReadBytes(dir.PathOf("out/x.bmp"))), "old");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, BatchLimit,
    ::testing::Combine(
        ::testing::Values(
            LimitCase{"FileSizeLimit",
                      {.before =
                           [] {
                             const rlimit small{100, RLIM_INFINITY};
                             ::setrlimit(RLIMIT_FSIZE, &small);
                           }},
                      "eveda-batch: could not save DIR/out/x.bmp: File too large\n",
                      false},
            LimitCase{"OutOfMemory",
                      {.faults =
                           [](FaultFileSystem& fileSystem) {
                             fileSystem.After(Call::Sync, [] { throw std::bad_alloc(); });
                           }},
                      "eveda-batch: out of memory\n",
                      false},
            LimitCase{"ResultLineToAFullDevice",
                      {.before =
                           [] {
                             const int full = ::open("/dev/full", O_WRONLY);
                             ::dup2(full, STDOUT_FILENO);
                           },
                       .resultToStandardOutput = true},
                      "eveda-batch: DIR/out/x.bmp was written, but its result line could not be "
                      "printed: No space left on device\n",
                      true},
            LimitCase{"ResultLineToAPipeWhoseReaderWentAway",
                      {.before =
                           [] {
                             int ends[2];
                             if (::pipe(ends) != 0) ::_exit(98);
                             ::close(ends[0]);
                             ::dup2(ends[1], STDOUT_FILENO);
                           },
                       .resultToStandardOutput = true},
                      "eveda-batch: DIR/out/x.bmp was written, but its result line could not be "
                      "printed: Broken pipe\n",
                      true},
            LimitCase{"ResultLineToAClosedStandardOutput",
                      {.before = [] { ::close(STDOUT_FILENO); }, .resultToStandardOutput = true},
                      "eveda-batch: DIR/out/x.bmp was written, but its result line could not be "
                      "printed: Bad file descriptor\n",
                      true}),
        ::testing::Bool()),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) ? "Named" : "Unnamed");
    });

// The 2 GB limit is the BMP file's. A PNG beyond it is begun: a stop as its file is created
// ends the run there, before gigabytes are drawn, and leaves nothing. The same output as a BMP
// is refused before any file is made; a PNG wider than a band is refused in its own words.
// So are a JPEG and a WebP beyond their format's side; a TIFF is begun as a PNG is.
struct OutputSizeCase {
  const char* name;
  std::vector<std::string> layout;
  const char* output;  // in DIR/out
  int status;
  std::string err;
};

void PrintTo(const OutputSizeCase& c, std::ostream* out) { *out << c.name; }

class BatchOutputSize : public ::testing::TestWithParam<OutputSizeCase> {};

TEST_P(BatchOutputSize, OnlyABmpFileStopsAtTwoGigabytes) {
  const OutputSizeCase& c = GetParam();
  TempDir dir;
  WriteSources(dir);
  dir.MakeDir("out");
  ChildSetUp setUp;
  setUp.faults = [](FaultFileSystem& fileSystem) {
    fileSystem.After(Call::OpenUnnamed, [] { ::raise(SIGTERM); });
  };
  std::vector<std::string> args = {"-q", "-s", "0", "-o", dir.PathOf("out/") + c.output};
  args.insert(args.end(), c.layout.begin(), c.layout.end());
  args.push_back(dir.PathOf("src"));
  const ChildResult r = RunInChild(args, setUp);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.err, c.err);
  EXPECT_EQ(Tree(dir.PathOf("out")), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchOutputSize,
    ::testing::Values(
        OutputSizeCase{"PngOneHeaderBeyond",
                       {"-W", "171332.5", "-H", "2089", "-w", "2"},
                       "x.png",
                       128 + SIGTERM,
                       ""},
        OutputSizeCase{"BmpOneHeaderBeyond",
                       {"-W", "171332.5", "-H", "2089", "-w", "2"},
                       "x.bmp",
                       app::kExitNothingWritten,
                       "eveda-batch: the output image (342665 x 2089) exceeds the 2 GB limit of "
                       "a BMP file\n"},
        OutputSizeCase{"PngOfTheTallestSide",
                       {"-W", "50", "-H", "2147483647", "-w", "2"},
                       "x.PNG",
                       128 + SIGTERM,
                       ""},
        OutputSizeCase{"BmpOfTheTallestSide",
                       {"-W", "50", "-H", "2147483647", "-w", "2"},
                       "x",
                       app::kExitNothingWritten,
                       "eveda-batch: the output image (100 x 2147483647) exceeds the 2 GB limit "
                       "of a BMP file\n"},
        OutputSizeCase{"PngWiderThanABand",
                       {"-W", "1073741823", "-H", "1", "-w", "2"},
                       "x.png",
                       app::kExitNothingWritten,
                       "eveda-batch: the output image (2147483646 x 1) is wider than the "
                       "89478485 pixels a PNG output may have\n"},
        OutputSizeCase{"JpegOneBeyond",
                       {"-H", "32768", "-w", "1"},
                       "x.JPEG",
                       app::kExitNothingWritten,
                       "eveda-batch: the output image (10 x 65536) exceeds the 65535 pixels a "
                       "side of a JPEG file\n"},
        OutputSizeCase{"WebpOneBeyond",
                       {"-W", "8192", "-w", "2"},
                       "x.webp",
                       app::kExitNothingWritten,
                       "eveda-batch: the output image (16384 x 10) exceeds the 16383 pixels a "
                       "side of a WebP file\n"},
        OutputSizeCase{"TiffOfTheTallestSide",
                       {"-W", "50", "-H", "2147483647", "-w", "2"},
                       "x.tif",
                       128 + SIGTERM,
                       ""}),
    [](const ::testing::TestParamInfo<OutputSizeCase>& info) {
      return std::string(info.param.name);
    });

// A folder none of whose bitmaps can be read is named, and so is each file, with its reason.
TEST(BatchSources, NoneReadable) {
  TempDir dir;
  dir.WriteFile("a.bmp", "garbage");
  dir.WriteFile("b.bmp", BmpHeader(16, 16));  // claims rows the file does not hold
  const std::vector<std::string> before = Tree(dir.Path());
  const ChildResult r = RunInChild({"-q", dir.Path()});
  EXPECT_EQ(r.status, app::kExitNothingWritten);
  EXPECT_EQ(r.printed, "");
  EXPECT_EQ(r.err, InDir("eveda-batch: DIR: no readable BMP file\n"
                         "eveda-batch: could not read DIR/a.bmp: not a BMP file\n"
                         "eveda-batch: could not read DIR/b.bmp: the pixel data offset lies "
                         "outside the file\n",
                         dir));
  EXPECT_EQ(Tree(dir.Path()), before);
}

// One line, rewritten in place, so that thousands of steps do not scroll the terminal; ended
// before anything else is printed; nothing at all when quiet or not on a terminal.
TEST(BatchTexts, ProgressIsOneEnglishLineRewrittenInPlace) {
  std::ostringstream err;
  {
    app::ProgressLine line(err, true, "eveda-batch: ");
    app::BatchProgress progress(line);
    progress.Scanned(9, 300);
    progress.Scanned(10, 300);
    progress.Progress(join::Phase::Preparing, 0, 0);
    progress.Progress(join::Phase::Preparing, 3, 27);  // photographs made before one is drawn
    progress.Progress(join::Phase::Drawing, 6, 27);
    progress.Progress(join::Phase::Saving, 0, 0);
    progress.Progress(join::Phase::Flushing, 42, 100);  // too soon to be shown
    line.End();
    progress.Progress(join::Phase::Drawing, 7, 27);
  }
  EXPECT_EQ(err.str(),
            "\reveda-batch: reading sizes 10/300\x1b[K\reveda-batch: preparing\x1b[K"
            "\reveda-batch: preparing 3/27\x1b[K"
            "\reveda-batch: drawing 6/27\x1b[K\reveda-batch: saving\x1b[K\r\x1b[K"
            "\reveda-batch: drawing 7/27\x1b[K\r\x1b[K");
  std::ostringstream quiet;
  app::ProgressLine hidden(quiet, false, "eveda-batch: ");
  hidden.Show("drawing 1/2");
  EXPECT_EQ(quiet.str(), "");
  EXPECT_FALSE(app::ShouldShowProgress(true));
}

// With -o inside DIRECTORY, the output is never one of the sources, however the path is
// given; a name that differs in case is another file and stays a source.
struct OwnOutputCase {
  const char* name;
  std::vector<std::string> firstArgs;   // "DIR": the test's directory; run from DIR
  std::vector<std::string> secondArgs;  // the same when empty
  std::string leftOut;                  // the message of the second run; "" for none
  bool sameBytes;
  std::string secondOutput;  // the file the second run writes
};

void PrintTo(const OwnOutputCase& c, std::ostream* out) { *out << c.name; }

class OwnOutput : public ::testing::TestWithParam<OwnOutputCase> {};

TEST_P(OwnOutput, IsNeverASource) {
  const OwnOutputCase& c = GetParam();
  TempDir dir;
  dir.MakeDir("pics");
  WriteSolid(dir, "pics/a.bmp", 10, 10, 0xFF0000);
  WriteSolid(dir, "pics/b.bmp", 12, 12, 0x00FF00);
  dir.MakeLink("via", "pics");
  auto run = [&](const std::vector<std::string>& args) {
    std::vector<std::string> filled;
    for (const std::string& arg : args) filled.push_back(InDir(arg, dir));
    ChildSetUp setUp;
    setUp.before = [&] { (void)!::chdir(dir.Path().c_str()); };
    return RunInChild(filled, setUp);
  };
  const ChildResult first = run(c.firstArgs);
  ASSERT_EQ(first.status, app::kExitWritten) << first.err;
  EXPECT_EQ(first.err, "");
  const std::string firstBytes = Text(ReadBytes(dir.PathOf("pics/grid.bmp")));
  const ChildResult second = run(c.secondArgs.empty() ? c.firstArgs : c.secondArgs);
  EXPECT_EQ(second.status, app::kExitWritten) << second.err;
  EXPECT_EQ(second.err, c.leftOut.empty() ? "" : InDir(c.leftOut, dir) + "\n");
  const std::string secondBytes = Text(ReadBytes(dir.PathOf(c.secondOutput)));
  EXPECT_EQ(secondBytes == firstBytes, c.sameBytes);
  EXPECT_EQ(ReadWritten(dir.PathOf(c.secondOutput)).width, c.sameBytes ? 24 : 48);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OwnOutput,
    ::testing::Values(OwnOutputCase{"Relative",
                                    {"-o", "pics/grid.bmp", "pics"},
                                    {},
                                    "eveda-batch: leaving out the output file pics/grid.bmp",
                                    true,
                                    "pics/grid.bmp"},
                      OwnOutputCase{"Absolute",
                                    {"-o", "DIR/pics/grid.bmp", "DIR/pics"},
                                    {},
                                    "eveda-batch: leaving out the output file DIR/pics/grid.bmp",
                                    true,
                                    "pics/grid.bmp"},
                      OwnOutputCase{"ThroughALinkToTheFolder",
                                    {"-o", "DIR/via/grid.bmp", "DIR/pics"},
                                    {},
                                    "eveda-batch: leaving out the output file DIR/pics/grid.bmp",
                                    true,
                                    "pics/grid.bmp"},
                      OwnOutputCase{"FolderThroughALink",
                                    {"-o", "DIR/pics/grid.bmp", "DIR/via"},
                                    {},
                                    "eveda-batch: leaving out the output file DIR/via/grid.bmp",
                                    true,
                                    "pics/grid.bmp"},
                      OwnOutputCase{"QuietSaysNothing",
                                    {"-q", "-o", "pics/grid.bmp", "pics"},
                                    {},
                                    "",
                                    true,
                                    "pics/grid.bmp"},
                      OwnOutputCase{"AnotherCaseIsAnotherFile",
                                    {"-o", "pics/grid.bmp", "pics"},
                                    {"-o", "pics/GRID.bmp", "pics"},
                                    "",
                                    false,
                                    "pics/GRID.bmp"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace eveda::testing
