// The text boxes' character limits bound what the user types, never what the program writes.

#include <QLineEdit>
#include <QTest>
#include <string>
#include <vector>

#include "main_window/form1.h"
#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using TextBoxTest = RecordingWindow;

QLineEdit* Box(QWidget* widget) { return qobject_cast<QLineEdit*>(widget); }

TEST_F(TextBoxTest, TypingStopsAtEachBoxsLimitWithOneChangePerCharacter) {
  struct Case {
    int index;
    std::string typed;
  };
  const std::vector<Case> cases = {{0, "1234"}, {1, "1234"}, {2, "1"}, {3, "123"}};
  for (const Case& c : cases) {
    QLineEdit* box = Box(Widget(Group::Text1, c.index));
    box->clear();
    TakeRaised();
    QTest::keyClicks(box, "123456789");
    EXPECT_EQ(box->text().toStdString(), c.typed) << c.index;
    const std::vector<Raised> one_change(c.typed.size(),
                                         Raised{Group::Text1, Event::Change, c.index});
    EXPECT_EQ(TakeRaised(), one_change) << c.index;
  }
}

TEST_F(TextBoxTest, ProgramTextLongerThanTheLimitStaysWhole) {
  toolkit_.SetText({Group::Text1, 0}, "12000");
  EXPECT_EQ(toolkit_.Text({Group::Text1, 0}), "12000");
  EXPECT_EQ(Box(Widget(Group::Text1, 0))->cursorPosition(), 0);
  toolkit_.SetText({Group::Text1, 3}, "10000");
  EXPECT_EQ(toolkit_.Text({Group::Text1, 3}), "10000");
  EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{Group::Text1, Event::Change, 0},
                                               {Group::Text1, Event::Change, 3}}));
}

TEST_F(TextBoxTest, LongerProgramTextRefusesTypingButAllowsDeleting) {
  QLineEdit* box = Box(Widget(Group::Text1, 0));
  toolkit_.SetText({Group::Text1, 0}, "123456");
  TakeRaised();
  box->setCursorPosition(6);
  QTest::keyClicks(box, "7");
  EXPECT_EQ(box->text().toStdString(), "123456");
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text().toStdString(), "12345");
  QTest::keyClicks(box, "7");
  EXPECT_EQ(box->text().toStdString(), "12345");
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, "7");
  EXPECT_EQ(box->text().toStdString(), "1234");
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, "78");
  EXPECT_EQ(box->text().toStdString(), "1237");
  EXPECT_EQ(TakeRaised(), std::vector<Raised>(4, Raised{Group::Text1, Event::Change, 0}));
}

TEST_F(TextBoxTest, TypingOverASelectionMayReplaceALongerProgramText) {
  QLineEdit* box = Box(Widget(Group::Text1, 1));
  toolkit_.SetText({Group::Text1, 1}, "99999");
  box->selectAll();
  QTest::keyClicks(box, "42");
  EXPECT_EQ(box->text().toStdString(), "42");
}

TEST_F(TextBoxTest, UndoingBackToALongerTextKeepsTheLimitForLaterTyping) {
  QLineEdit* box = Box(Widget(Group::Text1, 2));
  toolkit_.SetText({Group::Text1, 2}, "12");
  box->setCursorPosition(2);
  QTest::keyClick(box, Qt::Key_Backspace);
  ASSERT_EQ(box->text().toStdString(), "1");
  box->undo();
  ASSERT_EQ(box->text().toStdString(), "12");
  TakeRaised();
  box->setCursorPosition(2);
  QTest::keyClicks(box, "34");
  EXPECT_EQ(box->text().toStdString(), "12");
  EXPECT_EQ(TakeRaised(), std::vector<Raised>{});
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, "5");
  EXPECT_EQ(box->text().toStdString(), "1");
}

TEST_F(TextBoxTest, ProgramTextRaisesChangeOnlyWhenTheTextChanges) {
  toolkit_.SetText({Group::Text1, 2}, "0");
  EXPECT_EQ(TakeRaised(), std::vector<Raised>{});
  toolkit_.SetText({Group::Text1, 2}, "5");
  toolkit_.SetText({Group::Text1, 2}, "5");
  EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{Group::Text1, Event::Change, 2}}));
}

TEST_F(TextBoxTest, ChangeHandlerReadsTheNewTextAndMayWriteAnotherBox) {
  std::vector<std::string> seen;
  toolkit_.Connect(Group::Text1, Event::Change, [&](int index) {
    seen.push_back(toolkit_.Text({Group::Text1, index}));
    if (index == 0) toolkit_.SetText({Group::Text1, 1}, "77777");
  });
  toolkit_.SetText({Group::Text1, 0}, "640");
  EXPECT_EQ(seen, (std::vector<std::string>{"640", "77777"}));
  // The nested write did not lift the limit on the user's typing.
  QLineEdit* box = Box(Widget(Group::Text1, 3));
  QTest::keyClicks(box, "12345");
  EXPECT_EQ(box->text().toStdString(), "123");
}

// Start and length count characters; one outside the Basic Multilingual Plane is two UTF-16
// units to Qt.
TEST_F(TextBoxTest, SelectionCoversTheGivenRange) {
  struct Case {
    std::string text;
    int start, length;
    std::string selected;
  };
  const std::vector<Case> cases = {
      {"1234", 1, 2, "23"},   {"1234", 0, 4, "1234"}, {"😀1", 0, 2, "😀1"},
      {"a😀b", 1, 1, "😀"},     {"😀😀1", 1, 2, "😀1"},    {"😀😀", 1, 9, "😀"},
      {"日本", 0, 2, "日本"}, {"12", 5, 1, ""},       {"😀1", 0, 2147483647, "😀1"},
  };
  for (const Case& c : cases) {
    toolkit_.SetText({Group::Text1, 0}, c.text);
    toolkit_.SetSelection({Group::Text1, 0}, c.start, c.length);
    EXPECT_EQ(Box(Widget(Group::Text1, 0))->selectedText().toStdString(), c.selected)
        << c.text << " " << c.start << " " << c.length;
  }
}

// The window's own handler: tabbing into a box selects all of it, so typing replaces it.
TEST_F(TextBoxTest, TabbingIntoABoxSelectsItAllSoTypingReplacesIt) {
  main_window::Form1 form(toolkit_);
  ShowActive();
  for (const std::string text : {"12", "😀1", "1😀", "𠀋𠀋"}) {
    toolkit_.SetText({Group::Text1, 0}, text);
    Widget(Group::Text1, 1)->setFocus(Qt::TabFocusReason);
    QLineEdit* box = Box(Widget(Group::Text1, 0));
    box->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->hasFocus(); }));
    EXPECT_EQ(box->selectedText().toStdString(), text);
    QTest::keyClicks(box, "7");
    EXPECT_EQ(box->text().toStdString(), "7") << text;
  }
}

}  // namespace
}  // namespace eveda::testing
