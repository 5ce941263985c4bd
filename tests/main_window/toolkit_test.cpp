#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "platform/toolkit/characters.h"
#include "platform/toolkit/console_toolkit.h"
#include "tests/support/form_test_support.h"
#include "tests/support/scripted_toolkit.h"

namespace toolkit {
namespace {

constexpr ControlRef kBox{Group::Text1, 0};      // limit 4
constexpr ControlRef kSpacing{Group::Text1, 2};  // limit 1, design text "0"
constexpr ControlRef kOrder{Group::Combo1, 0};

class ScriptedToolkitTest : public testing::Test {
 protected:
  ScriptedToolkitTest() {
    ui.Connect(Group::Text1, Event::Change, [this](int index) {
      events.push_back("change " + std::to_string(index) + " " + ui.Text({Group::Text1, index}));
    });
    ui.Connect(Group::Combo1, Event::Click,
               [this](int index) { events.push_back("click combo " + std::to_string(index)); });
    ui.Connect(Group::Command4, Event::Click, [this](int) { events.push_back("run"); });
  }

  ScriptedToolkit ui{main_window::Form1Design(), "the args", "/opt/eveda"};
  std::vector<std::string> events;
};

TEST_F(ScriptedToolkitTest, StartsFromTheDesign) {
  EXPECT_EQ(ui.Title(), "DID Eveda");
  EXPECT_EQ(ui.Text({Group::Command1, 0}), "ディレクトリ選択");
  EXPECT_EQ(ui.Text({Group::Label1, 11}), "生成画像ステータス");
  EXPECT_EQ(ui.Text(kSpacing), "0");
  EXPECT_EQ(ui.ListIndex(kOrder), -1);
  EXPECT_TRUE(ui.Enabled({Group::Command4, 0}));
  EXPECT_EQ(ui.CommandLine(), "the args");
  EXPECT_EQ(ui.AppPath(), "/opt/eveda");
  EXPECT_FALSE(ui.WindowDC());
  EXPECT_THROW(ui.Text({Group::Text1, 4}), std::out_of_range);
  EXPECT_THROW(ui.SetListIndex(kOrder, 3), std::invalid_argument);
}

TEST_F(ScriptedToolkitTest, ProgramTextRaisesChangeOnlyWhenItDiffersAndIsNeverCut) {
  ui.SetText(kBox, "12000");
  ui.SetText(kBox, "12000");
  ui.SetText({Group::Label1, 0}, "label");
  EXPECT_EQ(events, std::vector<std::string>({"change 0 12000"}));
  EXPECT_EQ(ui.Text(kBox), "12000");
  EXPECT_EQ(ui.Log(), std::vector<std::string>({"text:Text1(0)=12000", "text:Text1(0)=12000",
                                                "caption:Label1(0)=label"}));
}

TEST_F(ScriptedToolkitTest, ChangeHandlersRunNestedAndAtOnce) {
  ui.Connect(Group::Text1, Event::Change, [this](int index) {
    events.push_back("enter " + std::to_string(index));
    if (index == 0) ui.SetText({Group::Text1, 1}, "x");
    events.push_back("leave " + std::to_string(index));
  });
  ui.SetText(kBox, "1");
  EXPECT_EQ(events, std::vector<std::string>({"enter 0", "enter 1", "leave 1", "leave 0"}));
}

TEST_F(ScriptedToolkitTest, TypingStopsAtTheLimitWithOneChangePerCharacter) {
  ui.Type(kBox, "123456");
  EXPECT_EQ(ui.Text(kBox), "1234");
  EXPECT_EQ(events, std::vector<std::string>(
                        {"change 0 1", "change 0 12", "change 0 123", "change 0 1234"}));
  EXPECT_TRUE(ui.Log().empty());  // the user's typing is not the program's writing
}

TEST_F(ScriptedToolkitTest, TypingReplacesASelection) {
  ui.Type(kSpacing, "7");
  EXPECT_EQ(ui.Text(kSpacing), "0");  // full, nothing selected
  ui.SetSelection(kSpacing, 0, 1);
  ui.Type(kSpacing, "78");
  EXPECT_EQ(ui.Text(kSpacing), "7");
  EXPECT_EQ(events, std::vector<std::string>({"change 2 7"}));
}

TEST_F(ScriptedToolkitTest, LimitsCountCharactersNotBytes) {
  ui.Type(kBox, "横縦横縦横");
  EXPECT_EQ(ui.Text(kBox), "横縦横縦");
  EXPECT_EQ(CharacterCount("横縦a"), 3);
  EXPECT_EQ(CharacterCount("\xE6\xA8"), 2);  // a cut sequence counts byte by byte
  EXPECT_EQ(SplitCharacters("a\xFF横"), std::vector<std::string>({"a", "\xFF", "横"}));
}

TEST_F(ScriptedToolkitTest, SelectionIsClampedToTheText) {
  ui.SetText(kBox, "abc");
  ui.SetSelection(kBox, 1, 99);
  EXPECT_EQ(ui.SelectionOf(kBox), (HeadlessToolkit::Selection{1, 2}));
  ui.SetSelection(kBox, -5, 2);
  EXPECT_EQ(ui.SelectionOf(kBox), (HeadlessToolkit::Selection{0, 2}));
}

TEST_F(ScriptedToolkitTest, DisabledControlsIgnoreTheUser) {
  ui.SetEnabled({Group::Command4, 0}, false);
  ui.SetEnabled(kBox, false);
  ui.SetEnabled(kOrder, false);
  ui.Click({Group::Command4, 0});
  ui.Type(kBox, "1");
  ui.Choose(kOrder, 1);
  EXPECT_TRUE(events.empty());
  ui.SetEnabled({Group::Command4, 0}, true);
  ui.Click({Group::Command4, 0});
  EXPECT_EQ(events, std::vector<std::string>({"run"}));
}

TEST_F(ScriptedToolkitTest, ListSelectionRaisesClickWithTheIndex) {
  ui.SetListIndex({Group::Combo1, 1}, 2);
  ui.Choose(kOrder, 1);
  EXPECT_EQ(events, std::vector<std::string>({"click combo 1", "click combo 0"}));
  EXPECT_EQ(ui.ListIndex(kOrder), 1);
}

TEST_F(ScriptedToolkitTest, ScheduledActionsRunInsideTheirDoEventsCall) {
  ui.AtDoEvents(2, [this] {
    events.push_back("inside 2");
    ui.DoEvents();
  });
  ui.AtDoEvents(3, [this] { events.push_back("inside 3"); });
  ui.DoEvents();
  EXPECT_TRUE(events.empty());
  ui.DoEvents();  // runs "inside 2", whose own call is the third
  EXPECT_EQ(events, std::vector<std::string>({"inside 2", "inside 3"}));
  EXPECT_EQ(ui.DoEventsCount(), 3);
}

TEST_F(ScriptedToolkitTest, AnswersBoxesAndChoosersFromItsQueues) {
  ui.AnswerMsgBox(kAnswerCancel);
  ui.AnswerFolder("/pics");
  ui.AnswerColor(0x0000FF);
  EXPECT_EQ(ui.MsgBox("big?", 257), kAnswerCancel);
  EXPECT_EQ(ui.MsgBox("oops", 48), kAnswerOk);
  EXPECT_EQ(ui.BrowseForFolder("where", ""), "/pics");
  EXPECT_EQ(ui.BrowseForFolder("where", ""), "");
  EXPECT_EQ(ui.ChooseBackColor(), 0x0000FF);
  EXPECT_EQ(ui.ChooseBackColor(), -1);
  EXPECT_EQ(ui.Log(), std::vector<std::string>({"msgbox:257:big?", "msgbox:48:oops", "browse:where",
                                                "browse:where", "color", "color"}));
}

TEST(ConsoleToolkit, ProgressIsOneRewrittenLineEndedByTheIdleTitle) {
  std::ostringstream err;
  ConsoleToolkit ui(main_window::Form1Design(), {"", "", &err, /*showProgress=*/true,
                                                 main_window::kReadyTitle, "eveda-batch: "});
  ui.SetTitle("描画中・・・1/2");
  ui.SetTitle("描画中・・・2/2");
  ui.SetTitle(main_window::kReadyTitle);
  EXPECT_EQ(err.str(),
            "\reveda-batch: 描画中・・・1/2\x1b[K\reveda-batch: 描画中・・・2/2\x1b[K\r\x1b[K");
  EXPECT_EQ(ui.Title(), main_window::kReadyTitle);
}

// Messages are kept for the caller, which reports them in its own voice; they are not printed.
TEST(ConsoleToolkit, MessagesAreKeptAnsweredOkAndConfirmationsAreSkipped) {
  std::ostringstream err;
  {
    ConsoleToolkit ui(main_window::Form1Design(), {"", "", &err, true, "idle"});
    ui.SetTitle("保存中・・・");
    EXPECT_EQ(ui.MsgBox("横2000×縦10の大きなファイルになりますが実行しますか？", 257), kAnswerOk);
    EXPECT_EQ(ui.MsgBox("設定が正しくありません", 48), kAnswerOk);
    ui.SetTitle("保存中・・・");
    EXPECT_EQ(ui.Messages(), std::vector<std::string>({"設定が正しくありません"}));
    EXPECT_EQ(ui.BrowseForFolder("x", ""), "");
    EXPECT_EQ(ui.ChooseBackColor(), -1);
    ui.DoEvents();
  }
  EXPECT_EQ(err.str(), "\r保存中・・・\x1b[K\r保存中・・・\x1b[K\r\x1b[K");
}

TEST(ConsoleToolkit, QuietOrNotATerminalShowsNoProgress) {
  std::ostringstream err;
  ConsoleToolkit ui(main_window::Form1Design(), {"", "", &err, false, "idle"});
  ui.SetTitle("描画中・・・1/2");
  EXPECT_EQ(err.str(), "");
  EXPECT_FALSE(ShouldShowProgress(true));
}

TEST(ConsoleToolkit, RunsTheSameWindowWithSettingsTypedAfterTheScan) {
  eveda::testing::TempDir dir;
  dir.WriteBmps(5);
  eveda::testing::TempDir empty;
  std::ostringstream err;
  ConsoleToolkit ui(main_window::Form1Design(),
                    {dir.Path(), "", &err, true, main_window::kReadyTitle});
  main_window::Form1 form(ui);
  ui.Load();
  ui.SetText({Group::Text1, 0}, "100.5");
  ui.SetText({Group::Text1, 2}, "12");  // longer than the box admits; the program is not cut
  ui.SetListIndex(kOrder, 2);
  std::int32_t columns = 0, rows = 0, width = 0, height = 0;
  ASSERT_TRUE(form.CalcSize(columns, rows, width, height));
  EXPECT_EQ(width, 2 * 100 + 3 * 12 + 1);  // 2 x 100.5 + 3 x 12 = 237
  EXPECT_EQ(height, 3 * 8 + 4 * 12);
  EXPECT_EQ(err.str(), "");  // five files: no progress title, no message

  form.GetBMPList(empty.Path());
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(ui.Messages(), std::vector<std::string>({"ディレクトリ [ " + empty.Path() +
                                                     " ]にはBMPファイルがありませんでした"}));
}

}  // namespace
}  // namespace toolkit
