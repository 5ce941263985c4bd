#include "platform/qt/application_icon.h"

#include <QApplication>
#include <QIcon>
#include <QString>

namespace toolkit {

void SetUpApplicationIcon(QApplication& application) {
  application.setDesktopFileName(QStringLiteral("eveda"));
  const QIcon builtIn(QStringLiteral(":/eveda/eveda-256.png"));
  application.setWindowIcon(QIcon::fromTheme(QStringLiteral("eveda"), builtIn));
}

}  // namespace toolkit
