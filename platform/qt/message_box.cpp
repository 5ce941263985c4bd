#include "platform/qt/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "platform/toolkit/services.h"

namespace toolkit {
namespace {

constexpr int kButtonsMask = 0x0F;
constexpr int kOkCancel = 1;
constexpr int kIconMask = 0xF0;
constexpr int kDefaultButtonMask = 0xF00;
constexpr int kSecondButtonDefault = 0x100;

QMessageBox::Icon IconOf(int style) {
  switch (style & kIconMask) {
    case 16:
      return QMessageBox::Critical;
    case 32:
      return QMessageBox::Question;
    case 48:
      return QMessageBox::Warning;
    case 64:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

void ConfigureMessageBox(QMessageBox& box, const std::string& prompt, int style) {
  box.setWindowTitle(QString::fromUtf8(kApplicationTitle));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(prompt));
  box.setIcon(IconOf(style));
  const bool withCancel = (style & kButtonsMask) == kOkCancel;
  box.setStandardButtons(withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
  // The interface is Japanese throughout, the buttons included.
  if (withCancel) box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
  const bool cancelDefault = withCancel && (style & kDefaultButtonMask) == kSecondButtonDefault;
  box.setDefaultButton(cancelDefault ? QMessageBox::Cancel : QMessageBox::Ok);
  box.setEscapeButton(withCancel ? QMessageBox::Cancel : QMessageBox::Ok);
}

int MessageBoxAnswer(const QMessageBox& box) {
  const QAbstractButton* ok = box.button(QMessageBox::Ok);
  return box.clickedButton() == ok ? kAnswerOk : kAnswerCancel;
}

int ShowMessageBox(QWidget* owner, const std::string& prompt, int style) {
  QMessageBox box(owner);
  ConfigureMessageBox(box, prompt, style);
  box.exec();
  return MessageBoxAnswer(box);
}

}  // namespace toolkit
