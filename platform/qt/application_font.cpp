#include "platform/qt/application_font.h"

#include <QApplication>
#include <QFont>
#include <QString>

#include "platform/qt/qt_text.h"

namespace toolkit {

void SetUpApplicationFont(QApplication& application, const FormDesign& design) {
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont font(ToQString(design.fontFamily));
  font.setPointSizeF(design.fontPoints);
  font.setWeight(QFont::Normal);
  application.setFont(font);
}

}  // namespace toolkit
