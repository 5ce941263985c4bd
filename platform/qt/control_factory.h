#pragma once
// Widgets made from a control's design values.

#include <QRect>

#include "platform/toolkit/form_design.h"

class QWidget;

namespace toolkit {

// 15 twips are one pixel at 96 dots per inch.
int PixelsFromTwips(int twips);

// Where the control sits in the window's client area, in pixels. A line's rectangle runs
// from its first end to its second, one pixel thick.
QRect PixelRect(const ControlDesign& control);

// The widget for `control`, placed and sized, child of `parent`.
QWidget* CreateControl(const ControlDesign& control, QWidget* parent);

}  // namespace toolkit
