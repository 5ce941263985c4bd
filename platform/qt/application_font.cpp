#include "platform/qt/application_font.h"

#include <QApplication>
#include <QFont>
#include <QString>

namespace toolkit {

void SetUpApplicationFont(QApplication& application, const FormDesign& design) {
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont font(QString::fromUtf8(design.fontFamily.data(),
                               static_cast<qsizetype>(design.fontFamily.size())));
  font.setPointSizeF(design.fontPoints);
  font.setWeight(QFont::Normal);
  application.setFont(font);
}

}  // namespace toolkit
