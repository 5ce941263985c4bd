#include "tests/support/scripted_toolkit.h"

#include <algorithm>

#include "platform/toolkit/characters.h"

namespace toolkit {
namespace {

template <class T>
T PopOr(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T front = std::move(queue.front());
  queue.pop_front();
  return front;
}

std::string Join(const std::vector<std::string>& characters, int from, int to) {
  std::string text;
  for (int i = from; i < to; ++i) text += characters[static_cast<std::size_t>(i)];
  return text;
}

}  // namespace

ScriptedToolkit::ScriptedToolkit(const FormDesign& design, std::string commandLine,
                                 std::string appPath)
    : HeadlessToolkit(design, std::move(commandLine), std::move(appPath)) {}

void ScriptedToolkit::SetText(ControlRef control, const std::string& text) {
  if (control.group == Group::Form) return SetTitle(text);
  const bool isTextBox = DesignOf(control).kind == ControlKind::TextBox;
  log_.push_back((isTextBox ? "text:" : "caption:") + ControlName(control) + "=" + text);
  HeadlessToolkit::SetText(control, text);
}

void ScriptedToolkit::SetListIndex(ControlRef control, int index) {
  log_.push_back("list:" + ControlName(control) + "=" + std::to_string(index));
  HeadlessToolkit::SetListIndex(control, index);
}

void ScriptedToolkit::SetTitle(const std::string& title) {
  log_.push_back("title:" + title);
  HeadlessToolkit::SetTitle(title);
}

int ScriptedToolkit::MsgBox(const std::string& prompt, int style) {
  log_.push_back("msgbox:" + std::to_string(style) + ":" + prompt);
  return PopOr(msgBoxAnswers_, kAnswerOk);
}

void ScriptedToolkit::DoEvents() {
  log_.push_back("doevents");
  const int call = ++doEventsCount_;
  // Taken out before running, so that an action's own DoEvents calls cannot rerun it.
  std::vector<std::function<void()>> due;
  for (auto it = scheduled_.begin(); it != scheduled_.end();) {
    if (it->first == call) {
      due.push_back(std::move(it->second));
      it = scheduled_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& action : due) action();
}

void ScriptedToolkit::Unload() {
  log_.push_back("unload");
  HeadlessToolkit::Unload();
}

std::string ScriptedToolkit::BrowseForFolder(const std::string& prompt,
                                             const std::string& startDirectory) {
  log_.push_back("browse:" + prompt);
  browseStarts_.push_back(startDirectory);
  return PopOr(folderAnswers_, std::string());
}

std::int32_t ScriptedToolkit::ChooseBackColor() {
  log_.push_back("color");
  return PopOr(colourAnswers_, std::int32_t{-1});
}

void ScriptedToolkit::StoreTypedText(ControlRef box, std::string text, Selection selection) {
  Control& target = Find(box);
  target.text = std::move(text);
  target.selection = selection;
  Raise(box, Event::Change);
}

void ScriptedToolkit::Type(ControlRef box, std::string_view text) {
  for (const std::string& typed : SplitCharacters(text)) {
    const Control& target = Find(box);
    if (target.design.kind != ControlKind::TextBox || !target.enabled) return;
    const std::vector<std::string> characters = SplitCharacters(target.text);
    const int size = static_cast<int>(characters.size());
    const Selection selected = target.selection;
    const bool replaces = selected.length > 0;
    const int from = replaces ? selected.start : size;
    const int to = replaces ? selected.start + selected.length : size;
    const int limit = target.design.maxLength;
    if (limit > 0 && size - (to - from) + 1 > limit) continue;
    StoreTypedText(box, Join(characters, 0, from) + typed + Join(characters, to, size),
                   {from + 1, 0});
  }
}

void ScriptedToolkit::Erase(ControlRef box) {
  const Control& target = Find(box);
  if (target.design.kind != ControlKind::TextBox || !target.enabled || target.text.empty()) {
    return;
  }
  StoreTypedText(box, std::string(), {0, 0});
}

void ScriptedToolkit::Choose(ControlRef list, int index) {
  if (!Enabled(list)) return;
  HeadlessToolkit::SetListIndex(list, index);
}

void ScriptedToolkit::Click(ControlRef control) {
  if (Enabled(control)) Raise(control, Event::Click);
}

void ScriptedToolkit::Focus(ControlRef box) {
  if (Enabled(box)) Raise(box, Event::GotFocus);
}

void ScriptedToolkit::PressKey(int keyCode) { Raise({Group::Form, keyCode}, Event::KeyDown); }

void ScriptedToolkit::AtDoEvents(int n, std::function<void()> action) {
  scheduled_.emplace_back(doEventsCount_ + std::max(n, 1), std::move(action));
}

std::vector<std::string> ScriptedToolkit::Log(std::string_view prefix) const {
  std::vector<std::string> matching;
  std::copy_if(log_.begin(), log_.end(), std::back_inserter(matching),
               [prefix](const std::string& entry) { return entry.starts_with(prefix); });
  return matching;
}

}  // namespace toolkit
