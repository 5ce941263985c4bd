#pragma once
// Colours as the rest of the system keeps them: COLORREF, 0x00BBGGRR.

#include <cstdint>

class QColor;

namespace Comdlg {

std::int32_t ColorRefFromQColor(const QColor& color);

}  // namespace Comdlg
