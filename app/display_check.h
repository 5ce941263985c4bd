#pragma once
// Whether the window can reach a display, decided before the QApplication exists: Qt's own
// answer to a display it cannot open is an abort and a core dump. Some X servers refuse a
// connection made just after another client hung up, so the check's own connection stays
// open until Qt has made its own, and a start whose Qt connection still fails is made again.

namespace app {

// The one line printed instead of Qt's abort.
extern const char* const kNoDisplayMessage;

// How many times the check connects, 100 to 300 ms apart, before it finds that no display
// answers.
inline constexpr int kCheckAttempts = 4;

// How many times a start whose display answered but whose Qt connection failed is made again.
inline constexpr int kStartAttempts = 3;

// False when the platform Qt would use is X and no X display answers (kCheckAttempts tries), or
// when no display is named at all; then the window prints kNoDisplayMessage and exits 1.
// Other platforms (QT_QPA_PLATFORM=offscreen for the tests, Wayland) are left to Qt. A
// connection that answered is kept open until CloseDisplayCheck().
bool DisplayCanOpen();
void CloseDisplayCheck();

// Keeps the arguments for StartAgain; call first thing in main.
void RememberArguments(int argc, char* argv[]);

// For a start whose Qt connection failed although the display answered the check: while fewer
// than kStartAttempts restarts have been made, waits 100 to 300 ms and runs the program again
// with the same arguments (it does not return then). Otherwise returns, and the caller gives
// up.
void StartAgain();

}  // namespace app
