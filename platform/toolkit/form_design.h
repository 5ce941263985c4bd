#pragma once
// A window's design as data: every toolkit implementation builds its controls from the same
// description, so the Qt window, the scripted window of the tests and the console window of
// eveda-batch start from identical design values.

#include <array>
#include <span>
#include <string_view>

#include "platform/toolkit/services.h"

namespace toolkit {

enum class ControlKind { Button, Label, TextBox, DropDownList, Line };

inline constexpr int kTwipsPerPixel = 15;  // 96 dots per inch

struct ControlDesign {
  Group group = Group::Form;
  int index = 0;
  ControlKind kind = ControlKind::Label;
  std::string_view caption;  // caption, or a text box's initial text
  // In twips. For a line: x1, y1, x2, y2.
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int maxLength = 0;  // characters the user may type into a text box; 0 for no limit
  std::array<std::string_view, 3> entries{};  // a drop-down list's entries
};

struct FormDesign {
  std::string_view caption;
  int left = 0;  // client area position and size, in twips
  int top = 0;
  int clientWidth = 0;
  int clientHeight = 0;
  std::string_view fontFamily;
  double fontPoints = 0;
  // Every control, in tab order; labels and lines take no focus.
  std::span<const ControlDesign> controls;
};

}  // namespace toolkit
