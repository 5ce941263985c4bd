#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/form_test_support.h"

namespace eveda::testing {
namespace {

const std::string kInvalidCaption = std::string("caption:Label1(11)=") + kInvalidStatus;

TEST(StartUp, WithoutBmpsOpensInTheDesignStateSilently) {
  TempDir empty;
  Window window(empty.Path());
  EXPECT_EQ(window.ui.Title(), "DID Eveda");
  window.ui.Load();
  EXPECT_EQ(window.ui.Log(),
            std::vector<std::string>({"title:DID Eveda v1.0", "list:Combo1(0)=0", kInvalidCaption,
                                      "list:Combo1(1)=0", kInvalidCaption}));
  EXPECT_EQ(window.ui.Title(), kReadyTitle);
  EXPECT_EQ(window.ui.Text(Label1(0)), "");
  EXPECT_EQ(window.ui.Text(Label1(1)), "対象ファイル数－");
  EXPECT_EQ(window.ui.Text(Label1(10)), "");
  EXPECT_EQ(window.ui.Text(Text1(0)), "");
  EXPECT_EQ(window.ui.Text(Text1(1)), "");
  EXPECT_EQ(window.ui.Text(Text1(2)), "0");
  EXPECT_EQ(window.ui.Text(Text1(3)), "");
  EXPECT_EQ(window.ui.Text({toolkit::Group::Command2, 0}), "000000");
  EXPECT_EQ(window.ui.ListIndex(Combo1(0)), 0);
  EXPECT_EQ(window.ui.ListIndex(Combo1(1)), 0);
  EXPECT_EQ(window.form.Job().FileList, GTFile::NameList({""}));
  EXPECT_EQ(window.form.Job().OutputPath, "");
  EXPECT_EQ(window.form.Job().BackColor, 0u);
  EXPECT_TRUE(window.form.Job().Loaded);
}

TEST(StartUp, BeforeLoadTheStateIsZeroed) {
  Window window("");
  EXPECT_FALSE(window.form.Job().Loaded);
  EXPECT_TRUE(window.form.Job().FileList.empty());
  EXPECT_FALSE(window.form.Job().BlockWidth.has_value());
  EXPECT_EQ(window.ui.ListIndex(Combo1(0)), -1);
  EXPECT_EQ(window.ui.Text(Label1(11)), "生成画像ステータス");
}

// Records the fit mode each time a list selection has been handled.
class FitModeWatcher : public toolkit::ScriptedToolkit {
 public:
  using ScriptedToolkit::ScriptedToolkit;
  void SetListIndex(toolkit::ControlRef control, int index) override {
    ScriptedToolkit::SetListIndex(control, index);
    if (form) seen.push_back(form->Job().FitMode);
  }
  const main_window::Form1* form = nullptr;
  std::vector<join::FitMode> seen;
};

TEST(StartUp, FitModeIsUnselectedDuringTheFirstListSelection) {
  TempDir empty;
  FitModeWatcher ui(main_window::Form1Design(), empty.Path());
  main_window::Form1 form(ui);
  ui.form = &form;
  ui.Load();
  EXPECT_EQ(ui.seen, std::vector<join::FitMode>(
                         {join::FitMode::None, join::FitMode::TopLeft}));
}

TEST(StartUp, WithBmpsFillsTheWindowWithoutAMessage) {
  TempDir dir;
  dir.WriteBmp("a.bmp", 100, 50);
  dir.WriteBmp("b.bmp", 60, 80);
  dir.WriteBmp("c.bmp", 30, 30);
  Window window(dir.Path());
  window.ui.Load();
  EXPECT_TRUE(window.ui.Log("msgbox:").empty());
  EXPECT_EQ(window.ui.Log("title:"),
            std::vector<std::string>({"title:DID Eveda v1.0", "title:DID Eveda v1.0"}));
  EXPECT_EQ(window.ui.Text(Text1(0)), "100");
  EXPECT_EQ(window.ui.Text(Text1(1)), "80");
  EXPECT_EQ(window.ui.Text(Text1(2)), "0");
  EXPECT_EQ(window.ui.Text(Text1(3)), "2");
  EXPECT_EQ(window.ui.Text(Label1(0)), dir.Path() + "/");
  EXPECT_EQ(window.ui.Text(Label1(1)), "対象ファイル数－ 3");
  EXPECT_EQ(window.ui.Text(Label1(10)), dir.PathOf("plemo001.bmp"));
  EXPECT_EQ(window.ui.Text(Label1(11)), "生成画像ステータス － 横2個、縦2個  横200×縦160");
  EXPECT_EQ(window.form.Job().FitMode, join::FitMode::TopLeft);
  EXPECT_TRUE(window.form.Job().Loaded);
}

TEST(StartUp, EmptyCommandLineReadsTheProgramsOwnDirectory) {
  TempDir dir;
  dir.WriteBmp("a.bmp", 10, 20);
  Window window("", dir.Path());
  window.ui.Load();
  EXPECT_EQ(window.ui.Text(Label1(0)), dir.Path() + "/");
  EXPECT_EQ(window.ui.Text(Text1(1)), "20");
}

TEST(StartUp, CommandLineIsOneUnalteredDirectoryText) {
  // A directory whose name holds quotation marks and a blank, given relative to the
  // working directory: only an unaltered text finds it.
  TempDir dir;
  dir.MakeDir("\"my pics\"");
  dir.WriteBmp("\"my pics\"/a.bmp", 10, 20);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  Window window("\"my pics\"", dir.Path());
  window.ui.Load();
  std::filesystem::current_path(previous);
  EXPECT_EQ(window.ui.Text(Label1(0)), "\"my pics\"/");
  EXPECT_EQ(window.ui.Text(Label1(1)), "対象ファイル数－ 1");
}

TEST(StartUp, AMissingDirectoryShowsNoMessage) {
  Window window("/no/such/directory/anywhere");
  window.ui.Load();
  EXPECT_TRUE(window.ui.Log("msgbox:").empty());
  EXPECT_EQ(window.ui.Text(Label1(11)), kInvalidStatus);
}

}  // namespace
}  // namespace eveda::testing
