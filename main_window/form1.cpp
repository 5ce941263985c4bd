// Form1's start-up and its handlers: each hands the event to a named operation.

#include "main_window/form1.h"

#include <cstdio>
#include <string>

#include "main_window/form1_design.h"
#include "main_window/run_messages.h"
#include "main_window/window_texts.h"
#include "platform/toolkit/characters.h"

namespace main_window {

using toolkit::Event;
using toolkit::Group;

Form1::Form1(toolkit::Services& ui, std::chrono::milliseconds savingProgressDelay,
             DSMod::detail::FileSystem& fileSystem)
    : ui_(ui), savingProgressDelay_(savingProgressDelay), fileSystem_(fileSystem) {
  ui_.Connect(Group::Form, Event::Load, [this](int) { Form_Load(); });
  ui_.Connect(Group::Form, Event::KeyDown, [this](int key) { Form_KeyDown(key); });
  ui_.Connect(Group::Form, Event::QueryUnload, [this](int) { Form_QueryUnload(); });
  ui_.Connect(Group::Text1, Event::Change, [this](int index) { Text1_Change(index); });
  ui_.Connect(Group::Text1, Event::GotFocus, [this](int index) { Text1_GotFocus(index); });
  ui_.Connect(Group::Combo1, Event::Click, [this](int index) { Combo1_Click(index); });
  ui_.Connect(Group::Command1, Event::Click, [this](int) { Command1_Click(); });
  ui_.Connect(Group::Command2, Event::Click, [this](int) { Command2_Click(); });
  ui_.Connect(Group::Command4, Event::Click, [this](int) { Command4_Click(); });
  // "出力ファイル名変更" has no handler: the output name is always the scan's choice.
}

void Form1::Form_Load() {
  // First, because the list selections below already refresh the status line, which asks
  // for the file count.
  job_.FileList.assign(1, std::string());
  ui_.SetTitle(kReadyTitle);
  ui_.SetListIndex(Combo1(0), 0);
  ui_.SetListIndex(Combo1(1), 0);
  job_.Loaded = false;
  const std::string commandLine = ui_.CommandLine();
  GetBMPList(commandLine.empty() ? ui_.AppPath() : commandLine);
  job_.Loaded = true;
}

// Escape offers to stop a run; otherwise it starts nothing.
void Form1::Form_KeyDown(int KeyCode) {
  if (KeyCode == toolkit::kKeyEscape && run_.active) RequestStop();
}

// Closing is free except during a run, which is stopped first so that its unnamed file is
// abandoned; the window then closes once the run has ended.
void Form1::Form_QueryUnload() {
  if (!run_.active) return ui_.Unload();
  if (RequestStop()) run_.unloadWhenEnded = true;
}

// One question at a time: a request that arrives while it is open is the same request.
bool Form1::RequestStop() {
  if (run_.stopRequested) return true;
  if (run_.asking) return false;
  run_.asking = true;
  const int answer = ui_.MsgBox(kStopQuestion, toolkit::kStyleOkCancelDefaultCancel);
  run_.asking = false;
  run_.stopRequested = answer == toolkit::kAnswerOk;
  return run_.stopRequested;
}

void Form1::Text1_Change(int) { UpdateStatus(); }

void Form1::Combo1_Click(int) { UpdateStatus(); }

// Selecting the whole text lets the user's typing replace it.
void Form1::Text1_GotFocus(int Index) {
  ui_.SetSelection(Text1(Index), 0, toolkit::CharacterCount(ui_.Text(Text1(Index))));
}

void Form1::UpdateStatus() {
  std::int32_t Columns = 0;
  std::int32_t Rows = 0;
  std::int32_t OutWidth = 0;
  std::int32_t OutHeight = 0;
  if (CalcSize(Columns, Rows, OutWidth, OutHeight)) {
    ui_.SetText(Label1(11),
                Fill(WindowText::StatusValid, {std::to_string(Columns), std::to_string(Rows),
                                               SizeText(OutWidth, OutHeight)}));
  } else {
    ui_.SetText(Label1(11), std::string(TextOf(WindowText::StatusInvalid)));
  }
}

void Form1::Command1_Click() {
  if (busy_) return;
  // Opens where the user is: the directory shown.
  const std::string dir =
      ui_.BrowseForFolder(std::string(TextOf(WindowText::FolderPrompt)), ui_.Text(Label1(0)));
  if (!dir.empty()) GetBMPList(dir);
}

void Form1::Command2_Click() {
  const std::int32_t colour = ui_.ChooseBackColor();
  if (colour >= 0) SetBackColor(static_cast<gdi::COLORREF>(colour));
}

// The caption shows the colour as the COLORREF reads: blue, green, red.
void Form1::SetBackColor(gdi::COLORREF colour) {
  job_.BackColor = colour;
  char caption[16];
  std::snprintf(caption, sizeof caption, "%06X", static_cast<unsigned>(job_.BackColor));
  ui_.SetText({toolkit::Group::Command2, 0}, caption);
}

void Form1::Command4_Click() {
  if (busy_) return;
  PlemoBMP();
}

}  // namespace main_window
