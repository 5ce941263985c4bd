// The window as Form1Design describes it: places, sizes, kinds, captions, entries, tab order,
// font.

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <span>
#include <string>
#include <vector>

#include "main_window/form1_design.h"

#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using LayoutTest = RecordingWindow;
using toolkit::ControlDesign;
using toolkit::ControlKind;

const toolkit::FormDesign& Design() { return main_window::Form1Design(); }

std::vector<std::string> Strings(std::span<const std::string_view> views) {
  std::vector<std::string> out;
  for (std::string_view view : views)
    if (!view.empty()) out.emplace_back(view);
  return out;
}

// The design places everything on whole pixels: a place is its twips divided exactly, and a
// line is one pixel high from (x1, y1) to x2.
QRect DesignedPixels(const ControlDesign& control) {
  auto pixels = [](int twips) {
    EXPECT_EQ(twips % toolkit::kTwipsPerPixel, 0) << twips;
    return twips / toolkit::kTwipsPerPixel;
  };
  if (control.kind == ControlKind::Line)
    return {pixels(control.left), pixels(control.top), pixels(control.width - control.left), 1};
  return {pixels(control.left), pixels(control.top), pixels(control.width), pixels(control.height)};
}

TEST_F(LayoutTest, WindowHasItsDesignedCaptionAndFixedClientArea) {
  QWidget* window = toolkit_.Window();
  EXPECT_EQ(window->windowTitle().toStdString(), Design().caption);
  EXPECT_EQ(window->geometry(), QRect(159, 108, 472, 420));
  const QSize client(Design().clientWidth / toolkit::kTwipsPerPixel,
                     Design().clientHeight / toolkit::kTwipsPerPixel);
  EXPECT_EQ(window->geometry().size(), client);
  EXPECT_EQ(window->minimumSize(), client);
  EXPECT_EQ(window->maximumSize(), client);
}

TEST_F(LayoutTest, EveryControlSitsAtItsDesignedPlace) {
  EXPECT_EQ(Widget(Group::Command1)->geometry(), QRect(8, 8, 121, 25));
  for (const ControlDesign& control : Design().controls) {
    SCOPED_TRACE(::testing::Message()
                 << "group " << static_cast<int>(control.group) << " index " << control.index);
    QWidget* widget = Widget(control.group, control.index);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), toolkit_.Window());
    EXPECT_EQ(widget->geometry(), DesignedPixels(control));
  }
  EXPECT_EQ(Design().controls.size(), 24u);
  EXPECT_EQ(Widget(Group::Label1, 12), nullptr);
  EXPECT_EQ(Widget(Group::Text1, 4), nullptr);
}

TEST_F(LayoutTest, EachControlShowsItsDesignedTextInItsKindOfWidget) {
  for (const ControlDesign& control : Design().controls) {
    SCOPED_TRACE(::testing::Message()
                 << "group " << static_cast<int>(control.group) << " index " << control.index);
    QWidget* widget = Widget(control.group, control.index);
    const std::string caption(control.caption);
    switch (control.kind) {
      case ControlKind::Button: {
        auto* button = qobject_cast<QPushButton*>(widget);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text().toStdString(), caption);
        EXPECT_EQ(toolkit_.Text({control.group, control.index}), caption);
        EXPECT_FALSE(button->autoDefault());
        EXPECT_FALSE(button->isDefault());
        break;
      }
      case ControlKind::Label: {
        auto* label = qobject_cast<QLabel*>(widget);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text().toStdString(), caption);
        EXPECT_EQ(label->frameShape(), QFrame::NoFrame);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
        break;
      }
      case ControlKind::TextBox: {
        auto* box = qobject_cast<QLineEdit*>(widget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text().toStdString(), caption);
        break;
      }
      case ControlKind::DropDownList: {
        auto* list = qobject_cast<QComboBox*>(widget);
        ASSERT_NE(list, nullptr);
        EXPECT_FALSE(list->isEditable());
        std::vector<std::string> shown;
        for (int entry = 0; entry < list->count(); ++entry)
          shown.push_back(list->itemText(entry).toStdString());
        EXPECT_EQ(shown, Strings(control.entries));
        EXPECT_EQ(shown.size(), 3u);
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(toolkit_.ListIndex({control.group, control.index}), -1);
        break;
      }
      case ControlKind::Line: {
        auto* line = qobject_cast<QFrame*>(widget);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->frameShape(), QFrame::HLine);
        EXPECT_EQ(line->focusPolicy(), Qt::NoFocus);
        break;
      }
    }
  }
}

TEST_F(LayoutTest, TabVisitsTheFocusableControlsInDesignOrder) {
  std::vector<QWidget*> expected;
  for (const ControlDesign& control : Design().controls) {
    if (control.kind != ControlKind::Label && control.kind != ControlKind::Line)
      expected.push_back(Widget(control.group, control.index));
  }
  ASSERT_EQ(expected.size(), 10u);
  ShowActive();
  expected.front()->setFocus(Qt::TabFocusReason);
  std::vector<QWidget*> visited = {QApplication::focusWidget()};
  for (std::size_t i = 1; i < expected.size() + 1; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  std::vector<QWidget*> once_around = expected;
  once_around.push_back(expected.front());
  EXPECT_EQ(visited, once_around);
}

TEST_F(LayoutTest, TextIsSetInTheDesignFontThroughItsSubstitute) {
  const QFontInfo info(Widget(Group::Label1, 2)->font());
  EXPECT_EQ(info.family().toStdString(), "IPAPGothic");
  EXPECT_DOUBLE_EQ(Widget(Group::Label1, 2)->font().pointSizeF(), Design().fontPoints);
  EXPECT_DOUBLE_EQ(QApplication::font().pointSizeF(), Design().fontPoints);
}

}  // namespace
}  // namespace eveda::testing
