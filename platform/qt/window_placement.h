#pragma once
// Where the window opens: wholly inside the available area of one screen, whatever the
// screen's size and the scale factor. Pure geometry, so that it is tested without a display.

#include <QMargins>
#include <QRect>
#include <QSize>
#include <vector>

namespace toolkit {

struct PlacementRequest {
  QSize client;                // the window's client area as designed, in device-independent pixels
  QMargins frame;              // the window manager's frame around it, in device pixels
  double scale = 1;            // device pixels per device-independent pixel
  std::vector<QRect> screens;  // each screen's available geometry, device-independent pixels
  int pointerScreen = 0;       // the screen under the pointer; out of range: the first
  std::vector<QRect> others;   // the client areas of Eveda's other windows
};

// The client area's geometry. Centred on the pointer's screen; where another Eveda window
// already has that place, moved down and right by a title bar's height until it is free.
// The frame stays inside the screen's available geometry: on a screen smaller than the
// window the client area shrinks to fit (the window then scrolls).
QRect PlaceWindow(const PlacementRequest& request);

}  // namespace toolkit
