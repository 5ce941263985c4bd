#include "main_window/form1.h"

namespace main_window {

using toolkit::Event;
using toolkit::Group;

Form1::Form1(toolkit::Services& ui) : ui_(ui) {
  ui_.Connect(Group::Form, Event::Load, [this](int) { Form_Load(); });
  ui_.Connect(Group::Text1, Event::Change, [this](int index) { Text1_Change(index); });
  ui_.Connect(Group::Text1, Event::GotFocus, [this](int index) { Text1_GotFocus(index); });
  ui_.Connect(Group::Combo1, Event::Click, [this](int index) { Combo1_Click(index); });
  ui_.Connect(Group::Command1, Event::Click, [this](int) { Command1_Click(); });
  ui_.Connect(Group::Command2, Event::Click, [this](int) { Command2_Click(); });
  ui_.Connect(Group::Command4, Event::Click, [this](int) { Command4_Click(); });
  // "出力ファイル名変更" has no handler: the output name is always the scan's choice.
}

}  // namespace main_window
