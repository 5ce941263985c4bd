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

#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using LayoutTest = RecordingWindow;

struct Place {
  Group group;
  int index;
  QRect pixels;
};

// The designed places in twips, divided by 15.
const std::vector<Place> kPlaces = {
    {Group::Command1, 0, {8, 8, 121, 25}},   {Group::Label1, 0, {8, 40, 441, 25}},
    {Group::Label1, 1, {16, 96, 401, 25}},   {Group::Label1, 2, {16, 128, 129, 25}},
    {Group::Label1, 3, {152, 128, 33, 25}},  {Group::Label1, 4, {240, 128, 33, 25}},
    {Group::Text1, 0, {184, 132, 41, 25}},   {Group::Text1, 1, {272, 132, 41, 25}},
    {Group::Label1, 5, {328, 128, 33, 25}},  {Group::Text1, 2, {368, 132, 41, 25}},
    {Group::Label1, 6, {16, 168, 97, 25}},   {Group::Combo1, 0, {128, 164, 113, 23}},
    {Group::Text1, 3, {360, 172, 41, 25}},   {Group::Label1, 7, {256, 168, 97, 25}},
    {Group::Label1, 8, {16, 208, 97, 25}},   {Group::Combo1, 1, {128, 204, 113, 23}},
    {Group::Label1, 9, {256, 208, 65, 25}},  {Group::Command2, 0, {344, 204, 89, 25}},
    {Group::Command3, 0, {8, 240, 169, 25}}, {Group::Label1, 10, {8, 272, 441, 25}},
    {Group::Label1, 11, {8, 328, 441, 25}},  {Group::Command4, 0, {312, 360, 137, 33}},
    {Group::Line1, 0, {8, 80, 448, 1}},      {Group::Line1, 1, {8, 312, 448, 1}},
};

TEST_F(LayoutTest, WindowHasItsDesignedCaptionAndFixedClientArea) {
  QWidget* window = toolkit_.Window();
  EXPECT_EQ(window->windowTitle().toStdString(), "DID Eveda");
  EXPECT_EQ(window->size(), QSize(472, 420));
  EXPECT_EQ(window->minimumSize(), QSize(472, 420));
  EXPECT_EQ(window->maximumSize(), QSize(472, 420));
}

TEST_F(LayoutTest, EveryControlSitsAtItsDesignedPlace) {
  for (const Place& place : kPlaces) {
    SCOPED_TRACE(::testing::Message()
                 << "group " << static_cast<int>(place.group) << " index " << place.index);
    QWidget* widget = Widget(place.group, place.index);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), toolkit_.Form());
    EXPECT_EQ(widget->geometry(), place.pixels);
  }
  EXPECT_EQ(Widget(Group::Label1, 12), nullptr);
  EXPECT_EQ(Widget(Group::Text1, 4), nullptr);
}

TEST_F(LayoutTest, ButtonsShowTheirCaptionsAndAreNeverDefault) {
  const std::vector<std::pair<Group, std::string>> buttons = {
      {Group::Command1, "ディレクトリ選択"},
      {Group::Command2, "000000"},
      {Group::Command3, "出力ファイル名変更"},
      {Group::Command4, "実行"}};
  for (const auto& [group, caption] : buttons) {
    auto* button = qobject_cast<QPushButton*>(Widget(group));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), caption);
    EXPECT_EQ(toolkit_.Text({group, 0}), caption);
    EXPECT_FALSE(button->autoDefault());
    EXPECT_FALSE(button->isDefault());
  }
}

TEST_F(LayoutTest, LabelsArePlainBorderlessAndTakeNoFocus) {
  const std::vector<std::string> captions = {
      "",       "対象ファイル数－", "各ブロックのサイズ", "横",     "縦", "間隔",
      "並べ方", "折り返し間隔",     "空白の埋め方",       "背景色", "",   "生成画像ステータス"};
  for (int i = 0; i < 12; ++i) {
    auto* label = qobject_cast<QLabel*>(Widget(Group::Label1, i));
    ASSERT_NE(label, nullptr) << i;
    EXPECT_EQ(label->text().toStdString(), captions[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(label->frameShape(), QFrame::NoFrame) << i;
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << i;
    EXPECT_EQ(label->focusPolicy(), Qt::NoFocus) << i;
  }
}

TEST_F(LayoutTest, TextBoxesStartWithTheirDesignTexts) {
  const std::vector<std::string> texts = {"", "", "0", ""};
  for (int i = 0; i < 4; ++i) {
    auto* box = qobject_cast<QLineEdit*>(Widget(Group::Text1, i));
    ASSERT_NE(box, nullptr) << i;
    EXPECT_EQ(box->text().toStdString(), texts[static_cast<std::size_t>(i)]) << i;
  }
}

TEST_F(LayoutTest, ListsAreClosedWithTheirEntriesAndNothingSelected) {
  const std::vector<std::vector<std::string>> entries = {{"左上→右上", "左上→左下", "右上→右下"},
                                                         {"左上", "中央", "拡大縮小"}};
  for (int i = 0; i < 2; ++i) {
    auto* list = qobject_cast<QComboBox*>(Widget(Group::Combo1, i));
    ASSERT_NE(list, nullptr) << i;
    EXPECT_FALSE(list->isEditable()) << i;
    std::vector<std::string> shown;
    for (int entry = 0; entry < list->count(); ++entry) {
      shown.push_back(list->itemText(entry).toStdString());
    }
    EXPECT_EQ(shown, entries[static_cast<std::size_t>(i)]) << i;
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
  const std::vector<QWidget*> expected = {Widget(Group::Command1),  Widget(Group::Text1, 0),
                                          Widget(Group::Text1, 1),  Widget(Group::Text1, 2),
                                          Widget(Group::Combo1, 0), Widget(Group::Text1, 3),
                                          Widget(Group::Combo1, 1), Widget(Group::Command2),
                                          Widget(Group::Command3),  Widget(Group::Command4)};
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
