#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "platform/toolkit/characters.h"
#include "tests/support/form_test_support.h"

namespace toolkit {
namespace {

constexpr ControlRef kBox{Group::Text1, 0};      // limit 4, never applied to the program
constexpr ControlRef kSpacing{Group::Text1, 2};  // limit 1, design text "0"
constexpr ControlRef kOrder{Group::Combo1, 0};

// What every toolkit without a display shares.
class HeadlessToolkitTest : public testing::Test {
 protected:
  HeadlessToolkitTest() {
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

TEST_F(HeadlessToolkitTest, StartsFromTheDesign) {
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

TEST_F(HeadlessToolkitTest, ProgramTextRaisesChangeOnlyWhenItDiffersAndIsNeverCut) {
  ui.SetText(kBox, "12000");
  ui.SetText(kBox, "12000");
  ui.SetText({Group::Label1, 0}, "label");
  EXPECT_EQ(events, std::vector<std::string>({"change 0 12000"}));
  EXPECT_EQ(ui.Text(kBox), "12000");
  EXPECT_EQ(ui.Text({Group::Label1, 0}), "label");
}

TEST_F(HeadlessToolkitTest, ChangeHandlersRunNestedAndAtOnce) {
  ui.Connect(Group::Text1, Event::Change, [this](int index) {
    events.push_back("enter " + std::to_string(index));
    if (index == 0) ui.SetText({Group::Text1, 1}, "x");
    events.push_back("leave " + std::to_string(index));
  });
  ui.SetText(kBox, "1");
  EXPECT_EQ(events, std::vector<std::string>({"enter 0", "enter 1", "leave 1", "leave 0"}));
}

// Box limits count what these count.
TEST(Characters, CountWholeSequencesAndACutSequenceByteByByte) {
  EXPECT_EQ(CharacterCount("横縦a"), 3);
  EXPECT_EQ(CharacterCount("\xE6\xA8"), 2);  // a cut sequence counts byte by byte
  EXPECT_EQ(SplitCharacters("a\xFF横"), std::vector<std::string>({"a", "\xFF", "横"}));
}

TEST_F(HeadlessToolkitTest, SelectionIsClampedToTheText) {
  ui.SetText(kBox, "abc");
  ui.SetSelection(kBox, 1, 99);
  EXPECT_EQ(ui.SelectionOf(kBox), (HeadlessToolkit::Selection{1, 2}));
  ui.SetSelection(kBox, -5, 2);
  EXPECT_EQ(ui.SelectionOf(kBox), (HeadlessToolkit::Selection{0, 2}));
}

TEST_F(HeadlessToolkitTest, ControlsAreEnabledUntilDisabled) {
  ui.SetEnabled({Group::Command4, 0}, false);
  EXPECT_FALSE(ui.Enabled({Group::Command4, 0}));
  EXPECT_TRUE(ui.Enabled(kBox));
  ui.SetEnabled({Group::Command4, 0}, true);
  EXPECT_TRUE(ui.Enabled({Group::Command4, 0}));
}

TEST_F(HeadlessToolkitTest, ListSelectionRaisesClickWithTheIndex) {
  ui.SetListIndex({Group::Combo1, 1}, 2);
  ui.SetListIndex(kOrder, 1);
  EXPECT_EQ(events, std::vector<std::string>({"click combo 1", "click combo 0"}));
  EXPECT_EQ(ui.ListIndex(kOrder), 1);
}

}  // namespace
}  // namespace toolkit
