#pragma once
// Whether the window can reach a display, decided before the QApplication exists: Qt's own
// answer to a display it cannot open is an abort and a core dump.

namespace app {

// The one line printed instead of Qt's abort.
extern const char* const kNoDisplayMessage;

// False when the platform Qt would use is X and no X display answers (after one retry), or
// when no display is named at all; then the window prints kNoDisplayMessage and exits 1.
// Other platforms (QT_QPA_PLATFORM=offscreen for the tests, Wayland) are left to Qt.
bool DisplayCanOpen();

}  // namespace app
