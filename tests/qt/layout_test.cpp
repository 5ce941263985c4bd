// The window as designed: places, sizes, kinds, captions, entries, tab order, font.

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "main_window/form1_design.h"

#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using LayoutTest = RecordingWindow;

using toolkit::ControlKind;

// The controls of one kind, in design order.
std::vector<toolkit::ControlDesign> Designed(ControlKind kind) {
  std::vector<toolkit::ControlDesign> out;
  for (const auto& control : main_window::Form1Design().controls)
    if (control.kind == kind) out.push_back(control);
  return out;
}

// The design places everything on whole pixels: a place is its twips divided exactly, and a
// line is one pixel high from (x1, y1) to x2.
QRect DesignedPixels(const toolkit::ControlDesign& control) {
  const bool line = control.kind == ControlKind::Line;
  const int twips[] = {control.left, control.top,
                       line ? control.width - control.left : control.width,
                       line ? toolkit::kTwipsPerPixel : control.height};
  int pixels[4];
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(twips[i] % toolkit::kTwipsPerPixel, 0) << twips[i];
    pixels[i] = twips[i] / toolkit::kTwipsPerPixel;
  }
  return {pixels[0], pixels[1], pixels[2], pixels[3]};
}

TEST_F(LayoutTest, WindowHasItsDesignedCaptionAndFixedClientArea) {
  QWidget* window = toolkit_.Window();
  EXPECT_EQ(window->windowTitle().toStdString(), "DID Eveda");
  EXPECT_EQ(window->size(), QSize(472, 420));
  EXPECT_EQ(window->minimumSize(), QSize(472, 420));
  EXPECT_EQ(window->maximumSize(), QSize(472, 420));
}

TEST_F(LayoutTest, EveryControlSitsAtItsDesignedPlace) {
  EXPECT_EQ(Widget(Group::Command1)->geometry(), QRect(8, 8, 121, 25));
  for (const toolkit::ControlDesign& place : main_window::Form1Design().controls) {
    SCOPED_TRACE(::testing::Message()
                 << "group " << static_cast<int>(place.group) << " index " << place.index);
    QWidget* widget = Widget(place.group, place.index);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), toolkit_.Form());
    EXPECT_EQ(widget->geometry(), DesignedPixels(place));
  }
  EXPECT_EQ(Widget(Group::Label1, 12), nullptr);
  EXPECT_EQ(Widget(Group::Text1, 4), nullptr);
}

TEST_F(LayoutTest, ButtonsShowTheirCaptionsAndAreNeverDefault) {
  for (const toolkit::ControlDesign& design : Designed(ControlKind::Button)) {
    const Group group = design.group;
    const std::string caption(design.caption);
    auto* button = qobject_cast<QPushButton*>(Widget(group));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), caption);
    EXPECT_EQ(toolkit_.Text({group, 0}), caption);
    EXPECT_FALSE(button->autoDefault());
    EXPECT_FALSE(button->isDefault());
  }
}

TEST_F(LayoutTest, LabelsArePlainBorderlessAndTakeNoFocus) {
  ASSERT_EQ(Designed(ControlKind::Label).size(), 12u);
  for (const toolkit::ControlDesign& design : Designed(ControlKind::Label)) {
    const int i = design.index;
    auto* label = qobject_cast<QLabel*>(Widget(Group::Label1, i));
    ASSERT_NE(label, nullptr) << i;
    EXPECT_EQ(label->text().toStdString(), design.caption) << i;
    EXPECT_EQ(label->frameShape(), QFrame::NoFrame) << i;
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << i;
    EXPECT_EQ(label->focusPolicy(), Qt::NoFocus) << i;
  }
}

TEST_F(LayoutTest, TextBoxesStartWithTheirDesignTexts) {
  for (const toolkit::ControlDesign& design : Designed(ControlKind::TextBox)) {
    const int i = design.index;
    auto* box = qobject_cast<QLineEdit*>(Widget(Group::Text1, i));
    ASSERT_NE(box, nullptr) << i;
    EXPECT_EQ(box->text().toStdString(), design.caption) << i;
  }
}

TEST_F(LayoutTest, ListsAreClosedWithTheirEntriesAndNothingSelected) {
  for (const toolkit::ControlDesign& design : Designed(ControlKind::DropDownList)) {
    const int i = design.index;
    const std::vector<std::string> entries(design.entries.begin(), design.entries.end());
    auto* list = qobject_cast<QComboBox*>(Widget(Group::Combo1, i));
    ASSERT_NE(list, nullptr) << i;
    EXPECT_FALSE(list->isEditable()) << i;
    std::vector<std::string> shown;
    for (int entry = 0; entry < list->count(); ++entry) {
      shown.push_back(list->itemText(entry).toStdString());
    }
    EXPECT_EQ(shown, entries) << i;
    EXPECT_EQ(list->currentIndex(), -1) << i;
    EXPECT_EQ(toolkit_.ListIndex({Group::Combo1, i}), -1) << i;
  }
}

TEST_F(LayoutTest, LinesAreThinHorizontalRulesWithoutFocus) {
  for (int i = 0; i < 2; ++i) {
    auto* line = qobject_cast<QFrame*>(Widget(Group::Line1, i));
    ASSERT_NE(line, nullptr) << i;
    EXPECT_EQ(line->frameShape(), QFrame::HLine) << i;
    EXPECT_EQ(line->focusPolicy(), Qt::NoFocus) << i;
  }
}

TEST_F(LayoutTest, TabVisitsTheTenFocusableControlsInDesignOrder) {
  std::vector<QWidget*> expected;
  for (const toolkit::ControlDesign& control : main_window::Form1Design().controls)
    if (control.kind != ControlKind::Label && control.kind != ControlKind::Line)
      expected.push_back(Widget(control.group, control.index));
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
  EXPECT_DOUBLE_EQ(Widget(Group::Label1, 2)->font().pointSizeF(), 11.25);
  EXPECT_DOUBLE_EQ(QApplication::font().pointSizeF(), 11.25);
}

}  // namespace
}  // namespace eveda::testing
