#include "comdlg/color_ref.h"

#include <QColor>

namespace Comdlg {

std::int32_t ColorRefFromQColor(const QColor& color) {
  const QRgb rgb = color.rgb();
  return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

}  // namespace Comdlg
