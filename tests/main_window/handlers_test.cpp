// The two chooser buttons: the colour button's caption and the folder button's rescan.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

TEST(ColourButton, CaptionReadsBlueGreenRedInUpperCaseHex) {
  struct Case {
    std::int32_t chosen;
    const char* caption;
  };
  for (const Case& c : {Case{0x0000FF, "0000FF"}, Case{0xFF0000, "FF0000"},
                        Case{0xFFFFFF, "FFFFFF"}, Case{0x00AB0C, "00AB0C"}, Case{0, "000000"}}) {
    Window window("");
    window.Loaded();
    window.ui.AnswerColor(c.chosen);
    window.ui.Click(kColourButton);
    EXPECT_EQ(window.ui.Log(),
              std::vector<std::string>({"color", std::string("caption:Command2=") + c.caption}));
    EXPECT_EQ(window.form.Job().BackColor, static_cast<gdi::COLORREF>(c.chosen));
  }
}

TEST(ColourButton, CancelKeepsTheColourChosenBefore) {
  Window window("");
  window.Loaded();
  window.ui.AnswerColor(0x0000FF);
  window.ui.Click(kColourButton);
  window.ui.AnswerColor(-1);
  window.ui.ClearLog();
  window.ui.Click(kColourButton);
  EXPECT_EQ(window.ui.Log(), std::vector<std::string>({"color"}));
  EXPECT_EQ(window.form.Job().BackColor, 0x0000FFu);
  EXPECT_EQ(window.ui.Text(kColourButton), "0000FF");
}

// What the folder button may change.
struct Shown {
  GTFile::NameList files;
  std::string output;
  std::vector<std::string> texts;

  explicit Shown(const Window& w) : files(w.form.Job().FileList), output(w.form.Job().OutputPath) {
    for (const auto control :
         {Label1(0), Label1(1), Label1(10), Label1(11), Text1(0), Text1(1), Text1(2), Text1(3)})
      texts.push_back(w.ui.Text(control));
  }
};

TEST(FolderButton, CancelChangesNothing) {
  TempDir dir;
  WriteSolid(dir, "a.bmp", 30, 20, 0);
  Window window(dir.Path());
  window.Loaded();
  const Shown before(window);
  window.ui.Click(kFolderButton);
  EXPECT_EQ(window.ui.Log(), std::vector<std::string>({"browse:BMPのあるディレクトリ"}));
  const Shown after(window);
  EXPECT_EQ(after.files, before.files);
  EXPECT_EQ(after.output, before.output);
  EXPECT_EQ(after.texts, before.texts);
}

TEST(FolderButton, AChosenFolderIsScanned) {
  TempDir first;
  TempDir second;
  WriteSolid(first, "a.bmp", 30, 20, 0);
  WriteSolid(second, "b.bmp", 70, 40, 0);
  Window window(first.Path());
  window.Loaded();
  window.ui.AnswerFolder(second.Path());
  window.ui.Click(kFolderButton);
  EXPECT_EQ(window.form.Job().FileList, GTFile::NameList({"", second.PathOf("b.bmp")}));
  EXPECT_EQ(window.form.Job().OutputPath, second.PathOf("plemo001.bmp"));
  EXPECT_EQ(window.ui.Text(Label1(0)), second.Path() + "/");
  EXPECT_EQ(window.ui.Text(Text1(0)), "70");
  EXPECT_EQ(window.ui.Text(Text1(1)), "40");
}

TEST(FolderButton, TheChooserOpensAtTheDirectoryShown) {
  TempDir first;
  TempDir second;
  WriteSolid(first, "a.bmp", 30, 20, 0);
  WriteSolid(second, "b.bmp", 30, 20, 0);
  Window empty("");
  empty.Loaded();
  empty.ui.Click(kFolderButton);  // nothing shown yet: the chooser picks its own place
  Window window(first.Path());
  window.Loaded();
  window.ui.AnswerFolder(second.Path());
  window.ui.Click(kFolderButton);
  window.ui.Click(kFolderButton);
  EXPECT_EQ(empty.ui.BrowseStarts(), std::vector<std::string>{""});
  EXPECT_EQ(window.ui.BrowseStarts(),
            std::vector<std::string>({first.Path() + "/", second.Path() + "/"}));
}

TEST(FolderButton, AFolderWithoutBmpsIsReportedAndTheWindowKeepsWhatItShowed) {
  TempDir first;
  TempDir empty;
  WriteSolid(first, "a.bmp", 30, 20, 0);
  Window window(first.Path());
  window.Loaded();
  const Shown before(window);
  window.ui.AnswerFolder(empty.Path());
  window.ui.Click(kFolderButton);
  EXPECT_EQ(window.ui.Log("msgbox:"),
            std::vector<std::string>({"msgbox:48:ディレクトリ [ " + empty.Path() +
                                      " ]にはBMPファイルがありませんでした"}));
  const Shown after(window);
  EXPECT_EQ(after.files, GTFile::NameList({""}));
  EXPECT_EQ(after.output, before.output);
  EXPECT_EQ(after.texts, before.texts);
}

}  // namespace
}  // namespace eveda::testing
