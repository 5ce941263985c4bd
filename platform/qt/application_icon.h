#pragma once
// The application's name and icon, as the desktop entry gives them.

class QApplication;

namespace toolkit {

// Every window of the application shows Eveda's icon: the installed theme's "eveda" where
// there is one, else the copy built into the program. The desktop file name lets Wayland
// compositors and task bars match the window to the menu entry.
void SetUpApplicationIcon(QApplication& application);

}  // namespace toolkit
