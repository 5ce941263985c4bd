#pragma once
// The window's font, set once for the whole application.

#include "platform/toolkit/form_design.h"

class QApplication;

namespace toolkit {

// Call after the QApplication exists and before any widget: "ＭＳ Ｐゴシック" is not
// installed here, and fontconfig would otherwise answer with DejaVu Sans and a wider
// fallback for Japanese. IPAPGothic has the same metrics. Message boxes take the
// application font, not the window's, so the design font is made the application's.
void SetUpApplicationFont(QApplication& application, const FormDesign& design);

}  // namespace toolkit
