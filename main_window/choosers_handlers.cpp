#include <cstdio>

#include "main_window/form1.h"

namespace main_window {

void Form1::Command1_Click() {
  if (busy_) return;
  const std::string dir = ui_.BrowseForFolder("BMPのあるディレクトリ");
  if (!dir.empty()) GetBMPList(dir);
}

void Form1::Command2_Click() {
  const std::int32_t colour = ui_.ChooseBackColor();
  if (colour >= 0) SetBackColor(static_cast<gdi::COLORREF>(colour));
}

// The caption shows the colour as the COLORREF reads: blue, green, red.
void Form1::SetBackColor(gdi::COLORREF colour) {
  BackColor = colour;
  char caption[16];
  std::snprintf(caption, sizeof caption, "%06X", static_cast<unsigned>(BackColor));
  ui_.SetText({toolkit::Group::Command2, 0}, caption);
}

void Form1::Command4_Click() {
  if (busy_) return;
  PlemoBMP();
}

}  // namespace main_window
