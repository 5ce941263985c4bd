// The text boxes' character limits bound what the user types, never what the program writes.

#include <QLineEdit>
#include <QTest>
#include <string>
#include <vector>

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

TEST_F(TextBoxTest, SelectionCoversTheGivenRange) {
  toolkit_.SetText({Group::Text1, 0}, "1234");
  toolkit_.SetSelection({Group::Text1, 0}, 1, 2);
  EXPECT_EQ(Box(Widget(Group::Text1, 0))->selectedText().toStdString(), "23");
  toolkit_.SetSelection({Group::Text1, 0}, 0, 4);
  EXPECT_EQ(Box(Widget(Group::Text1, 0))->selectedText().toStdString(), "1234");
}

}  // namespace
}  // namespace eveda::testing
