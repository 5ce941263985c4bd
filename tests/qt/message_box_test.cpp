// Message boxes: the styles the window uses, and replacing the box in tests.

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "platform/qt/message_box.h"
#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using toolkit::ConfigureMessageBox;
using toolkit::kAnswerCancel;
using toolkit::kAnswerOk;
using toolkit::kStyleOkCancelDefaultCancel;
using toolkit::kStyleOkExclamation;
using toolkit::MessageBoxAnswer;

using MessageBoxTest = RecordingWindow;

TEST(MessageBoxStyle, ExclamationStyleShowsWarningIconAndOnlyOk) {
  QMessageBox box;
  ConfigureMessageBox(box, "設定が正しくありません", kStyleOkExclamation);
  EXPECT_EQ(box.windowTitle().toStdString(), "DIDEVEDA");
  EXPECT_EQ(box.text().toStdString(), "設定が正しくありません");
  EXPECT_EQ(box.textFormat(), Qt::PlainText);
  EXPECT_EQ(box.icon(), QMessageBox::Warning);
  EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  box.button(QMessageBox::Ok)->click();
  EXPECT_EQ(MessageBoxAnswer(box), kAnswerOk);
}

TEST(MessageBoxStyle, ConfirmationStyleHasNoIconAndCancelAsDefaultAndEscape) {
  QMessageBox box;
  ConfigureMessageBox(box, "横1200×縦800の大きなファイルになりますが実行しますか？",
                      kStyleOkCancelDefaultCancel);
  EXPECT_EQ(box.windowTitle().toStdString(), "DIDEVEDA");
  EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
  EXPECT_EQ(box.standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Cancel));
  EXPECT_EQ(box.escapeButton(), box.button(QMessageBox::Cancel));
  EXPECT_EQ(box.button(QMessageBox::Ok)->text().toStdString(), "OK");
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text().toStdString(), "キャンセル");
}

TEST(MessageBoxStyle, ConfirmationAnswersByTheButtonPressed) {
  struct Case {
    Qt::Key key;
    int answer;
  };
  for (const Case& c : {Case{Qt::Key_Return, kAnswerCancel}, Case{Qt::Key_Escape, kAnswerCancel}}) {
    QMessageBox box;
    ConfigureMessageBox(box, "?", kStyleOkCancelDefaultCancel);
    box.show();
    QTest::keyClick(&box, c.key);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.clickedButton() != nullptr; }));
    EXPECT_EQ(MessageBoxAnswer(box), c.answer) << c.key;
  }
  QMessageBox box;
  ConfigureMessageBox(box, "?", kStyleOkCancelDefaultCancel);
  box.button(QMessageBox::Ok)->click();
  EXPECT_EQ(MessageBoxAnswer(box), kAnswerOk);
}

TEST_F(MessageBoxTest, MsgBoxGoesThroughTheReplaceableBox) {
  std::vector<std::pair<std::string, int>> shown;
  toolkit_.ModalDialogs().messageBox = [&](const std::string& prompt, int style) {
    shown.emplace_back(prompt, style);
    return kAnswerCancel;
  };
  EXPECT_EQ(toolkit_.MsgBox("大きなファイル", kStyleOkCancelDefaultCancel), kAnswerCancel);
  EXPECT_EQ(toolkit_.MsgBox("設定が正しくありません", kStyleOkExclamation), kAnswerCancel);
  EXPECT_EQ(shown, (std::vector<std::pair<std::string, int>>{{"大きなファイル", 257},
                                                             {"設定が正しくありません", 48}}));
}

}  // namespace
}  // namespace eveda::testing
