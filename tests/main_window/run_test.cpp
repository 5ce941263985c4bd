// The run as the user sees it: titles, questions and messages in order, what is written and
// what is left alone when something fails.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "main_window/run_messages.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

using toolkit::Group;
using Outcome = main_window::RunReport::Outcome;

// A window over `count` solid sources of 100 x 50, set to the worked grid.
struct GridWindow {
  explicit GridWindow(int count, Rgb colour = 0xFF0000,
                      DSMod::detail::FileSystem& fileSystem = DSMod::detail::SystemFileSystem())
      : window{dir.Path(), "/nonexistent-app-dir", main_window::kSavingProgressDelay, fileSystem} {
    for (int i = 0; i < count; ++i)
      WriteSolid(dir, std::string(1, 'a' + i) + ".bmp", 100, 50, colour);
    window.Loaded();
    Configure(window, {});
    window.ui.ClearLog();
  }
  toolkit::ScriptedToolkit& ui() { return window.ui; }
  main_window::Form1& form() { return window.form; }
  std::string Output() const { return dir.PathOf("plemo001.bmp"); }

  TempDir dir;
  Window window;  // after the directory it shows
};

TEST(Run, ShowsEachStepInTheTitleAndEndsWithoutAMessage) {
  GridWindow grid(2);
  const std::size_t live = LiveDrawingObjects();
  grid.form().PlemoBMP();
  EXPECT_EQ(LiveDrawingObjects(), live);
  EXPECT_EQ(grid.ui().Log(), std::vector<std::string>({
                                 "title:描画準備中・・・",
                                 "doevents",
                                 "title:描画中・・・1/2",
                                 "doevents",
                                 "title:描画中・・・2/2",
                                 "doevents",
                                 "title:保存中・・・",
                                 "doevents",
                                 "title:DID Eveda v1.0",
                             }));
  EXPECT_EQ(grid.form().LastRun().outcome, Outcome::Written);
  EXPECT_EQ(ReadWritten(grid.Output()).width, 209);
}

TEST(Run, TheSavesProgressTitle) { EXPECT_EQ(main_window::SavingTitle(42), "保存中・・・ 42%"); }

TEST(Run, InvalidSettingsShowOnlyTheirMessage) {
  struct Case {
    const char* name;
    int files;
    const char* blockHeight;
  };
  for (const Case& c : {Case{"height erased", 2, ""}, Case{"no sources", 0, "50"}}) {
    SCOPED_TRACE(c.name);
    GridWindow grid(c.files);
    grid.ui().SetText(Text1(1), c.blockHeight);
    grid.ui().ClearLog();
    grid.form().PlemoBMP();
    EXPECT_EQ(grid.ui().Log(), std::vector<std::string>({"msgbox:48:設定が正しくありません"}));
    EXPECT_EQ(grid.ui().Title(), kReadyTitle);
    EXPECT_EQ(grid.form().LastRun().outcome, Outcome::InvalidSettings);
    EXPECT_FALSE(std::filesystem::exists(grid.Output()));
  }
}

struct LargeCase {
  const char* width;
  const char* height;
  const char* question;  // nullptr: not asked
};

void PrintTo(const LargeCase& c, std::ostream* out) { *out << c.width << "x" << c.height; }

class LargeOutput : public ::testing::TestWithParam<LargeCase> {};

// One source in one cell without spacing: the output is the cell.
GridWindow& OneCell(GridWindow& grid, const LargeCase& c) {
  Configure(grid.window,
            {.blockWidth = c.width, .blockHeight = c.height, .spacing = "0", .wrap = "1"});
  grid.ui().ClearLog();
  return grid;
}

TEST_P(LargeOutput, CancelEndsTheRunUnseen) {
  GridWindow grid(1);
  OneCell(grid, GetParam());
  grid.ui().AnswerMsgBox(toolkit::kAnswerCancel);
  grid.form().PlemoBMP();
  if (!GetParam().question) {
    EXPECT_TRUE(grid.ui().Log("msgbox:").empty());
    EXPECT_TRUE(std::filesystem::exists(grid.Output()));
    return;
  }
  EXPECT_EQ(grid.ui().Log(),
            std::vector<std::string>({std::string("msgbox:257:") + GetParam().question}));
  EXPECT_EQ(grid.ui().Title(), kReadyTitle);
  EXPECT_EQ(grid.form().LastRun().outcome, Outcome::Declined);
  EXPECT_FALSE(std::filesystem::exists(grid.Output()));
}

TEST_P(LargeOutput, OkWritesTheFile) {
  GridWindow grid(1);
  OneCell(grid, GetParam());
  grid.ui().AnswerMsgBox(toolkit::kAnswerOk);
  grid.form().PlemoBMP();
  EXPECT_EQ(grid.ui().Log("msgbox:").size(), GetParam().question ? 1u : 0u);
  EXPECT_EQ(grid.ui().Log("title:").back(), "title:DID Eveda v1.0");
  const WrittenBmp out = ReadWritten(grid.Output());
  EXPECT_EQ(std::to_string(out.width), GetParam().width);
  EXPECT_EQ(std::to_string(out.height), GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LargeOutput,
    ::testing::Values(
        LargeCase{"1000", "1000", nullptr},
        LargeCase{"1001", "10", "横1001×縦10の大きなファイルになりますが実行しますか？"},
        LargeCase{"10", "1001", "横10×縦1001の大きなファイルになりますが実行しますか？"}));

TEST(Run, TwiceInARowReplacesTheSameFile) {
  GridWindow grid(1);
  grid.form().PlemoBMP();
  EXPECT_EQ(ReadWritten(grid.Output()).Pixel(0, 0), 0x000000u);
  ChooseBackground(grid.window, 0x00FF00);
  grid.form().PlemoBMP();
  EXPECT_EQ(ReadWritten(grid.Output()).Pixel(0, 0), 0x00FF00u);
  EXPECT_EQ(grid.form().Job().OutputPath, grid.Output());
  EXPECT_EQ(Tree(grid.dir.Path()), std::vector<std::string>({"a.bmp", "plemo001.bmp"}));
}

TEST(RunInProgress, ClicksStartNothingAndTheButtonsComeBackAfterwards) {
  GridWindow grid(2);
  TempDir other;
  WriteSolid(other, "z.bmp", 10, 10, 0);
  grid.ui().AnswerFolder(other.Path());
  std::vector<bool> enabledDuringRun;
  grid.ui().AtDoEvents(2, [&] {
    enabledDuringRun = {grid.ui().Enabled(kRunButton), grid.ui().Enabled(kFolderButton)};
    grid.ui().Click(kRunButton);
    grid.ui().Click(kFolderButton);
    // A click that reached the window before the buttons were disabled is ignored too.
    grid.ui().SetEnabled(kRunButton, true);
    grid.ui().SetEnabled(kFolderButton, true);
    grid.ui().Click(kRunButton);
    grid.ui().Click(kFolderButton);
  });
  grid.form().PlemoBMP();

  EXPECT_EQ(enabledDuringRun, std::vector<bool>({false, false}));
  EXPECT_TRUE(grid.ui().Enabled(kRunButton));
  EXPECT_TRUE(grid.ui().Enabled(kFolderButton));
  EXPECT_EQ(grid.ui().Log("title:描画準備中").size(), 1u);
  EXPECT_TRUE(grid.ui().Log("browse:").empty());
  EXPECT_EQ(grid.form().Job().FileList.size(), 3u);
  EXPECT_EQ(Tree(grid.dir.Path()), std::vector<std::string>({"a.bmp", "b.bmp", "plemo001.bmp"}));
}

TEST(RunInProgress, EditsRefreshTheStatusButTheImageKeepsTheSettingsOfItsStart) {
  GridWindow grid(2, 0x0000FF);
  grid.ui().AtDoEvents(2, [&] {
    grid.ui().SetText(Text1(2), "0");
    grid.ui().Choose(Combo1(0), 1);
    grid.ui().SetText(Text1(0), "20");
    ChooseBackground(grid.window, 0x00FF00);
  });
  grid.form().PlemoBMP();

  EXPECT_EQ(grid.ui().Text(Label1(11)), "生成画像ステータス － 横1個、縦2個  横20×縦100");
  const WrittenBmp out = ReadWritten(grid.Output());
  ASSERT_EQ(out.width, 209);
  ASSERT_EQ(out.height, 56);
  EXPECT_EQ(out.Pixel(106, 3), 0x0000FFu);
  EXPECT_EQ(out.Pixel(205, 52), 0x0000FFu);
  EXPECT_EQ(out.Pixel(105, 3), 0x000000u);
  EXPECT_EQ(grid.ui().Text({Group::Command2, 0}), "00FF00");
}

TEST(ScanInProgress, ARunClickStartsNothing) {
  TempDir dir;
  dir.WriteBmps(10);
  Window window("");
  window.Loaded();
  window.ui.AtDoEvents(1, [&] { window.ui.Click(kRunButton); });
  window.form.GetBMPList(dir.Path());
  EXPECT_TRUE(window.ui.Log("title:描画準備中").empty());
  EXPECT_EQ(window.form.LastRun().outcome, Outcome::NotRun);
  EXPECT_TRUE(window.ui.Enabled(kRunButton));
}

struct CanvasCase {
  const char* name;
  Layout layout;
  std::vector<std::string> log;
};

void PrintTo(const CanvasCase& c, std::ostream* out) { *out << c.name; }

class CanvasFailure : public ::testing::TestWithParam<CanvasCase> {};

TEST_P(CanvasFailure, IsReportedAndWritesNothing) {
  GridWindow grid(1);
  Configure(grid.window, GetParam().layout);
  grid.ui().ClearLog();
  const std::size_t live = LiveDrawingObjects();
  grid.form().PlemoBMP();
  EXPECT_EQ(LiveDrawingObjects(), live);
  EXPECT_EQ(grid.ui().Log(), GetParam().log);
  EXPECT_EQ(grid.form().LastRun().outcome, Outcome::CanvasFailed);
  EXPECT_TRUE(grid.ui().Enabled(kRunButton));
  EXPECT_EQ(Tree(grid.dir.Path()), std::vector<std::string>({"a.bmp"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CanvasFailure,
    ::testing::Values(
        CanvasCase{"ZeroWidth",
                   {.blockWidth = "0.3", .spacing = "0", .wrap = "1"},
                   {"title:描画準備中・・・", "doevents", "title:DID Eveda v1.0",
                    "msgbox:48:出力画像の大きさが横0×縦50になるため作成できません"}},
        // Neither a canvas nor a file can be this large: the file's limit is the one said.
        CanvasCase{"ImageBeyond32Bits",
                   {.blockWidth = "9999", .blockHeight = "9999", .spacing = "0", .wrap = "999"},
                   {"msgbox:257:横9989001×縦9999の大きなファイルになりますが実行しますか？",
                    "title:描画準備中・・・", "doevents", "title:DID Eveda v1.0",
                    "msgbox:48:出力画像（横9989001×縦9999）はBMPファイルの上限（2GB）を超えます"}},
        // 2,147,483,644 bytes of pixels fit a canvas; with the headers the file does not.
        CanvasCase{"FileOneHeaderTooLong",
                   {.blockWidth = "342665", .blockHeight = "2089", .spacing = "0", .wrap = "1"},
                   {"msgbox:257:横342665×縦2089の大きなファイルになりますが実行しますか？",
                    "title:描画準備中・・・", "doevents", "title:DID Eveda v1.0",
                    "msgbox:48:出力画像（横342665×縦2089）はBMPファイルの上限（2GB）を超えます"}}),
    [](const ::testing::TestParamInfo<CanvasCase>& info) { return std::string(info.param.name); });

// Lowers the largest file this process may write, for the lifetime of the object.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved_;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previousHandler_ = nullptr;
};

struct SaveCase {
  const char* name;
  int error;       // the file system's answer when the file is created; 0: none
  bool directory;  // a directory takes the output's name after the scan
  const char* reason;
};

void PrintTo(const SaveCase& c, std::ostream* out) { *out << c.name; }

class SaveFailure : public ::testing::TestWithParam<SaveCase> {};

// Whatever stands at the target and beside it stays exactly as it was.
TEST_P(SaveFailure, NamesTheReasonAndLeavesNothingBehind) {
  FaultFileSystem fileSystem;
  if (GetParam().error != 0) {
    fileSystem.Fail(FaultFileSystem::Call::OpenUnnamed, GetParam().error);
    fileSystem.Fail(FaultFileSystem::Call::OpenNamed, GetParam().error);
  }
  GridWindow grid(1, 0xFF0000, fileSystem);
  const std::string target = grid.Output();
  if (GetParam().directory) grid.dir.MakeDir("plemo001.bmp");
  grid.dir.MakeDir("full");
  grid.dir.WriteFile("full/kept.txt", "kept");
  const std::vector<std::string> before = Tree(grid.dir.Path());
  const std::size_t live = LiveDrawingObjects();
  grid.form().PlemoBMP();
  EXPECT_EQ(LiveDrawingObjects(), live);

  const std::vector<std::string> log = grid.ui().Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()),
            std::vector<std::string>({"title:DID Eveda v1.0", "msgbox:48:ファイル [ " + target +
                                                                  " ] を保存できませんでした（" +
                                                                  GetParam().reason + "）"}));
  EXPECT_EQ(grid.form().LastRun().outcome, Outcome::SaveFailed);
  EXPECT_EQ(Tree(grid.dir.Path()), before);
  const std::vector<std::uint8_t> kept = ReadBytes(grid.dir.PathOf("full/kept.txt"));
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "kept");
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveFailure,
    ::testing::Values(SaveCase{"MissingDirectory", ENOENT, false, "No such file or directory"},
                      SaveCase{"ParentIsAFile", ENOTDIR, false, "Not a directory"},
                      SaveCase{"TargetIsADirectory", 0, true, "Is a directory"}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

TEST(SaveFailure, APreviousFileSurvivesAWriteThatBreaksOff) {
  GridWindow grid(1);
  grid.form().PlemoBMP();
  const std::vector<std::uint8_t> first = ReadBytes(grid.Output());
  ASSERT_EQ(first.size(), 54u + 628u * 56u);
  ChooseBackground(grid.window, 0xFFFFFF);
  grid.ui().ClearLog();
  {
    const FileSizeLimit limit(4096);
    grid.form().PlemoBMP();
  }
  EXPECT_EQ(grid.ui().Log("msgbox:"),
            std::vector<std::string>({"msgbox:48:ファイル [ " + grid.Output() +
                                      " ] を保存できませんでした（File too large）"}));
  EXPECT_EQ(grid.ui().Title(), kReadyTitle);
  EXPECT_EQ(ReadBytes(grid.Output()), first);
  EXPECT_EQ(Tree(grid.dir.Path()), std::vector<std::string>({"a.bmp", "plemo001.bmp"}));
}

}  // namespace
}  // namespace eveda::testing
