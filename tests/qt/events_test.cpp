// Events reach the handlers once each, with the index of the control that raised them.

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using EventsTest = RecordingWindow;

// A handler that runs out of memory is abandoned: the window returns to rest, says why in a
// box, and the next click is handled as usual.
TEST_F(EventsTest, AHandlerOutOfMemoryLeavesTheWindowUsable) {
  std::vector<std::pair<std::string, int>> boxes;
  toolkit_.ModalDialogs().messageBox = [&](const std::string& prompt, int style) {
    boxes.emplace_back(prompt, style);
    return toolkit::kAnswerOk;
  };
  const std::string rest = toolkit_.Title();
  int clicks = 0;
  toolkit_.Connect(Group::Command1, Event::Click, [&](int) {
    if (++clicks == 1) {
      toolkit_.SetTitle("描画中・・・1/3");
      throw std::bad_alloc();
    }
  });
  auto* button = qobject_cast<QPushButton*>(Widget(Group::Command1));
  button->click();
  EXPECT_EQ(boxes,
            (std::vector<std::pair<std::string, int>>{
                {"メモリが足りないため、処理を中止しました", toolkit::kStyleOkExclamation}}));
  EXPECT_EQ(toolkit_.Title(), rest);
  button->click();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(EventsTest, LoadIsRaisedOnceBeforeTheWindowIsShown) {
  std::vector<bool> visible_at_load;
  toolkit_.Connect(Group::Form, Event::Load,
                   [&](int) { visible_at_load.push_back(toolkit_.Window()->isVisible()); });
  toolkit_.Show();
  toolkit_.Show();
  EXPECT_EQ(visible_at_load, std::vector<bool>{false});
  EXPECT_TRUE(toolkit_.Window()->isVisible());
}

TEST_F(EventsTest, TypedCharacterRaisesOneChangeWithTheBoxsIndex) {
  for (int index = 0; index < 4; ++index) {
    qobject_cast<QLineEdit*>(Widget(Group::Text1, index))->clear();
    TakeRaised();
    QTest::keyClicks(Widget(Group::Text1, index), "7");
    EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{Group::Text1, Event::Change, index}}));
  }
}

TEST_F(EventsTest, FocusingATextBoxRaisesGotFocusAndTheHandlerSelectsItsText) {
  toolkit_.SetText({Group::Text1, 3}, "12");
  toolkit_.Connect(Group::Text1, Event::GotFocus, [&](int index) {
    raised_.push_back({Group::Text1, Event::GotFocus, index});
    const auto length = static_cast<int>(toolkit_.Text({Group::Text1, index}).size());
    toolkit_.SetSelection({Group::Text1, index}, 0, length);
  });
  ShowActive();
  TakeRaised();
  auto* box = qobject_cast<QLineEdit*>(Widget(Group::Text1, 3));
  box->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !raised_.empty(); }));
  EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{Group::Text1, Event::GotFocus, 3}}));
  EXPECT_EQ(box->selectedText().toStdString(), "12");
  QTest::keyClicks(box, "5");
  EXPECT_EQ(box->text().toStdString(), "5");
}

TEST_F(EventsTest, FocusComingBackFromTheBoxsOwnMenuIsNoNewFocus) {
  QFocusEvent from_menu(QEvent::FocusIn, Qt::PopupFocusReason);
  QApplication::sendEvent(Widget(Group::Text1, 1), &from_menu);
  EXPECT_EQ(TakeRaised(), std::vector<Raised>{});
  QFocusEvent by_tab(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(Widget(Group::Text1, 1), &by_tab);
  EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{Group::Text1, Event::GotFocus, 1}}));
}

TEST_F(EventsTest, ProgramSelectionOfAListEntryRaisesOneClick) {
  toolkit_.SetListIndex({Group::Combo1, 1}, 2);
  EXPECT_EQ(toolkit_.ListIndex({Group::Combo1, 1}), 2);
  EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{Group::Combo1, Event::Click, 1}}));
  // Selecting the same entry again is reported again, as the user's choice would be.
  toolkit_.SetListIndex({Group::Combo1, 1}, 2);
  EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{Group::Combo1, Event::Click, 1}}));
  toolkit_.SetListIndex({Group::Combo1, 1}, 3);
  EXPECT_EQ(toolkit_.ListIndex({Group::Combo1, 1}), 2);
  EXPECT_EQ(TakeRaised(), std::vector<Raised>{});
}

TEST_F(EventsTest, ListIndexIsReadInsideTheClickHandler) {
  std::vector<int> seen;
  toolkit_.Connect(Group::Combo1, Event::Click, [&](int index) {
    seen.push_back(toolkit_.ListIndex({Group::Combo1, index}));
  });
  toolkit_.SetListIndex({Group::Combo1, 0}, 0);
  toolkit_.SetListIndex({Group::Combo1, 0}, 1);
  EXPECT_EQ(seen, (std::vector<int>{0, 1}));
}

TEST_F(EventsTest, UsersChoiceInAListRaisesOneClick) {
  toolkit_.SetListIndex({Group::Combo1, 0}, 0);
  TakeRaised();
  QTest::keyClick(Widget(Group::Combo1, 0), Qt::Key_Down);
  EXPECT_EQ(toolkit_.ListIndex({Group::Combo1, 0}), 1);
  EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{Group::Combo1, Event::Click, 0}}));
}

TEST_F(EventsTest, ButtonsRaiseClickWithIndexZero) {
  for (const Group group : {Group::Command1, Group::Command2, Group::Command3, Group::Command4}) {
    qobject_cast<QPushButton*>(Widget(group))->click();
    EXPECT_EQ(TakeRaised(), (std::vector<Raised>{{group, Event::Click, 0}}));
  }
}

TEST_F(EventsTest, EnterAndEscapePressNoButton) {
  ShowActive();
  for (const Group group : {Group::Command1, Group::Command4}) {
    Widget(group)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == Widget(group); }));
    TakeRaised();
    QTest::keyClick(Widget(group), Qt::Key_Return);
    QTest::keyClick(Widget(group), Qt::Key_Enter);
    QTest::keyClick(Widget(group), Qt::Key_Escape);
    QTest::keyClick(Widget(Group::Text1, 0), Qt::Key_Return);
    // Escape is the window's key, told to the form and to no button.
    EXPECT_EQ(TakeRaised(),
              (std::vector<Raised>{{Group::Form, Event::KeyDown, toolkit::kKeyEscape}}));
  }
}

TEST_F(EventsTest, EscapeReachesTheFormOncePerPressWhereverTheFocusIs) {
  ShowActive();
  for (QWidget* focus :
       {Widget(Group::Text1, 2), Widget(Group::Combo1, 1), Widget(Group::Command2)}) {
    focus->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == focus; }));
    TakeRaised();
    QTest::keyClick(focus, Qt::Key_Escape);
    // A held key repeats: the question it opens must not be answered by the repeats.
    QTest::simulateEvent(focus, true, Qt::Key_Escape, Qt::NoModifier, QString(), true);
    EXPECT_EQ(TakeRaised(),
              (std::vector<Raised>{{Group::Form, Event::KeyDown, toolkit::kKeyEscape}}));
  }
}

TEST_F(EventsTest, ACloseRequestWaitsForTheProgramWhileQueryUnloadIsHandled) {
  int asked = 0;
  bool agree = false;
  toolkit_.Connect(Group::Form, Event::QueryUnload, [&](int) {
    ++asked;
    if (agree) toolkit_.Unload();
  });
  toolkit_.Show();
  EXPECT_FALSE(toolkit_.Window()->close());
  EXPECT_TRUE(toolkit_.Window()->isVisible());
  agree = true;
  EXPECT_TRUE(toolkit_.Window()->close());
  EXPECT_FALSE(toolkit_.Window()->isVisible());
  EXPECT_EQ(asked, 2);
  // Closed by the program itself (after a stopped run), nothing is asked.
  agree = false;
  toolkit_.Show();
  toolkit_.Unload();
  EXPECT_FALSE(toolkit_.Window()->isVisible());
  EXPECT_EQ(asked, 2);
}

TEST_F(EventsTest, WithoutAQueryUnloadHandlerTheWindowCloses) {
  toolkit_.Show();
  EXPECT_TRUE(toolkit_.Window()->close());
  EXPECT_FALSE(toolkit_.Window()->isVisible());
}

TEST_F(EventsTest, CaptionsTitleAndEnabledStateAreSetAsGiven) {
  toolkit_.SetText({Group::Label1, 0}, "/home/user/<b>&images/");
  toolkit_.SetText({Group::Command2}, "0000FF");
  toolkit_.SetTitle("描画中・・・3/10");
  toolkit_.SetEnabled({Group::Command4}, false);
  EXPECT_EQ(toolkit_.Text({Group::Label1, 0}), "/home/user/<b>&images/");
  EXPECT_EQ(toolkit_.Text({Group::Command2}), "0000FF");
  EXPECT_EQ(toolkit_.Title(), "描画中・・・3/10");
  EXPECT_EQ(toolkit_.Window()->windowTitle().toStdString(), "描画中・・・3/10");
  EXPECT_FALSE(Widget(Group::Command4)->isEnabled());
  EXPECT_EQ(TakeRaised(), std::vector<Raised>{});
}

}  // namespace
}  // namespace eveda::testing
