#pragma once
// The toolkit the window's tests drive: it records, in order, what the window shows (titles,
// captions, texts written by the program, message boxes, pending-event calls, choosers asked),
// answers message boxes and choosers from queues, and plays the user (typing, choosing,
// clicking, focusing), also in the middle of a long operation's pending-event calls.
//
// Log entries:  "title:T"  "caption:Label1(11)=C"  "text:Text1(0)=T"  "list:Combo1(0)=I"
//               "msgbox:STYLE:TEXT"  "doevents"  "browse:PROMPT"  "color"  "unload"

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/headless_toolkit.h"

namespace toolkit {

class ScriptedToolkit : public HeadlessToolkit {
 public:
  explicit ScriptedToolkit(const FormDesign& design, std::string commandLine = "",
                           std::string appPath = "");

  void SetText(ControlRef control, const std::string& text) override;
  void SetListIndex(ControlRef control, int index) override;
  void SetTitle(const std::string& title) override;
  int MsgBox(const std::string& prompt, int style) override;
  void DoEvents() override;
  void Unload() override;
  std::string BrowseForFolder(const std::string& prompt,
                              const std::string& startDirectory) override;
  std::int32_t ChooseBackColor() override;

  // Answers for the next boxes and choosers, in order. With the queue empty a box is
  // answered OK, the folder chooser "" and the colour chooser -1 (both cancelled).
  void AnswerMsgBox(int answer) { msgBoxAnswers_.push_back(answer); }
  void AnswerFolder(std::string path) { folderAnswers_.push_back(std::move(path)); }
  void AnswerColor(std::int32_t colour) { colourAnswers_.push_back(colour); }

  // The user. Each acts only on an enabled control, as a real window would.
  // Types character by character into a text box: the first character replaces a selected
  // text, later ones append; a character that would exceed the box's limit is refused.
  // One Change event per accepted character.
  void Type(ControlRef box, std::string_view text);
  // Selects the whole text and deletes it: one Change event when there was a text.
  void Erase(ControlRef box);
  void Choose(ControlRef list, int index);
  void Click(ControlRef control);
  void Focus(ControlRef box);
  // A key pressed in the window (toolkit::kKeyEscape, …).
  void PressKey(int keyCode);

  // Runs `action` inside the n-th DoEvents call from now (1 = the next one).
  void AtDoEvents(int n, std::function<void()> action);
  int DoEventsCount() const { return doEventsCount_; }
  // Where each folder chooser was opened, in order.
  const std::vector<std::string>& BrowseStarts() const { return browseStarts_; }

  const std::vector<std::string>& Log() const { return log_; }
  // The entries that start with `prefix` ("title:", "caption:Label1(11)=").
  std::vector<std::string> Log(std::string_view prefix) const;
  void ClearLog() { log_.clear(); }

 private:
  void StoreTypedText(ControlRef box, std::string text, Selection selection);

  std::vector<std::string> log_;
  std::deque<int> msgBoxAnswers_;
  std::deque<std::string> folderAnswers_;
  std::deque<std::int32_t> colourAnswers_;
  std::vector<std::pair<int, std::function<void()>>> scheduled_;
  int doEventsCount_ = 0;
  std::vector<std::string> browseStarts_;
};

}  // namespace toolkit
