// eveda-batch's job, run in-process: exit status, the result line, the reasons, the file.

#include "app/batch_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

struct BatchResult {
  int status = -1;
  std::string out;
  std::string err;
};

BatchResult RunBatchWith(std::vector<std::string> args) {
  args.insert(args.begin(), "-q");
  const std::vector<std::string_view> views(args.begin(), args.end());
  const auto options = batch::ParseBatchOptions(views);
  EXPECT_TRUE(options) << options.error();
  if (!options) return {};
  std::ostringstream out;
  std::ostringstream err;
  const int status = batch::RunBatch(*options, out, err);
  return {status, out.str(), err.str()};
}

TEST(Batch, DefaultsAreTheWindowsProposals) {
  TempDir dir;
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
    WriteSolid(dir, name, 40, 20, 0xFF0000);
  WriteSolid(dir, "e.bmp", 30, 25, 0x00FF00);
  const BatchResult r = RunBatchWith({dir.Path()});
  EXPECT_EQ(r.status, batch::kExitWritten);
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
  EXPECT_EQ(r.status, batch::kExitWritten);
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
  EXPECT_EQ(r.status, batch::kExitWritten);
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
    EXPECT_EQ(r.status, batch::kExitWritten);
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
  EXPECT_EQ(r.status, batch::kExitSomeSourcesUnread);
  EXPECT_EQ(r.out, dir.PathOf("plemo001.bmp") + " 20x20\n");
  EXPECT_EQ(r.err,
            "読み込めなかった画像が2個あります。そのブロックは背景色のままです：\nb.bmp\nd.bmp\n"
            "eveda-batch: could not read " +
                dir.PathOf("b.bmp") + "\n" + "eveda-batch: could not read " + dir.PathOf("d.bmp") +
                "\n");
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
};

std::string InDir(std::string text, const TempDir& dir) {
  if (const auto at = text.find("DIR"); at != std::string::npos) text.replace(at, 3, dir.Path());
  return text;
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
  args.push_back(dir.Path());
  const std::vector<std::string> before = Tree(dir.Path());
  const BatchResult r = RunBatchWith(args);
  EXPECT_EQ(r.status, batch::kExitNothingWritten);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, InDir(c.reason, dir) + "\n");
  EXPECT_EQ(Tree(dir.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchFailure,
    ::testing::Values(
        FailureCase{"NoBmpFiles", 0, {}, "eveda-batch: no BMP files in DIR"},
        FailureCase{"InvalidSettings", 2, {"-H", "0"}, "設定が正しくありません"},
        FailureCase{"NoCanvas",
                    1,
                    {"-W", "0.3", "-w", "1"},
                    "出力画像の大きさが横0×縦50になるため作成できません"},
        FailureCase{
            "CannotWrite",
            1,
            {"-o", "DIR/missing/x.bmp"},
            "ファイル [ DIR/missing/x.bmp ] を保存できませんでした（No such file or directory）"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(Batch, ALargeOutputIsWrittenWithoutAsking) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 1001, 2, 0x00FF00);
  const BatchResult r = RunBatchWith({dir.Path()});
  EXPECT_EQ(r.status, batch::kExitWritten);
  EXPECT_EQ(r.out, dir.PathOf("plemo001.bmp") + " 1001x2\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadWritten(dir.PathOf("plemo001.bmp")).Pixel(1000, 1), 0x00FF00u);
}

}  // namespace
}  // namespace eveda::testing
