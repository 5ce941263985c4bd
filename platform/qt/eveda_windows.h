#pragma once
// The windows of other Eveda processes on the same X display, for a new window to open
// beside rather than over them.

#include <QRect>
#include <vector>

namespace toolkit {

// The client areas of the Eveda windows the window manager lists (_NET_CLIENT_LIST, told
// apart by their WM_CLASS), in device-independent pixels at `scale`. Empty where the display
// is not X, or no window manager lists its windows.
std::vector<QRect> OtherEvedaWindows(double scale);

}  // namespace toolkit
