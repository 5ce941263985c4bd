#pragma once
// Qt's own texts (the choosers' labels and buttons) in Japanese, like the rest of the window.

class QApplication;

namespace toolkit {

// Uses Qt's Japanese translation where it is installed (Debian's qt6-translations-l10n);
// without it the choosers keep Qt's English texts.
void InstallJapaneseQtTexts(QApplication& application);

}  // namespace toolkit
