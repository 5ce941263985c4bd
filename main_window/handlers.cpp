#include "main_window/form1.h"
#include "platform/toolkit/characters.h"

namespace main_window {

void Form1::Text1_Change(int) { UpdateStatus(); }

void Form1::Combo1_Click(int) { UpdateStatus(); }

// Selecting the whole text lets the user's typing replace it.
void Form1::Text1_GotFocus(int Index) {
  ui_.SetSelection(Text1(Index), 0, toolkit::CharacterCount(ui_.Text(Text1(Index))));
}

}  // namespace main_window
