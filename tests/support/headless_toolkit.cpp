#include "tests/support/headless_toolkit.h"

#include <algorithm>
#include <stdexcept>

#include "platform/toolkit/characters.h"

namespace toolkit {
namespace {

const char* GroupName(Group group) {
  switch (group) {
    case Group::Form:
      return "Form";
    case Group::Command1:
      return "Command1";
    case Group::Command2:
      return "Command2";
    case Group::Command3:
      return "Command3";
    case Group::Command4:
      return "Command4";
    case Group::Label1:
      return "Label1";
    case Group::Text1:
      return "Text1";
    case Group::Combo1:
      return "Combo1";
    case Group::Line1:
      return "Line1";
  }
  return "?";
}

bool IsIndexedGroup(Group group) {
  return group == Group::Label1 || group == Group::Text1 || group == Group::Combo1 ||
         group == Group::Line1;
}

int EntryCount(const ControlDesign& design) {
  return static_cast<int>(std::count_if(design.entries.begin(), design.entries.end(),
                                        [](std::string_view entry) { return !entry.empty(); }));
}

}  // namespace

std::string ControlName(ControlRef control) {
  std::string name = GroupName(control.group);
  if (IsIndexedGroup(control.group)) {
    name += '(';
    name += std::to_string(control.index);
    name += ')';
  }
  return name;
}

HeadlessToolkit::HeadlessToolkit(const FormDesign& design, std::string commandLine,
                                 std::string appPath)
    : title_(design.caption), commandLine_(std::move(commandLine)), appPath_(std::move(appPath)) {
  controls_.reserve(design.controls.size());
  for (const ControlDesign& control : design.controls) {
    controls_.push_back(Control{control, std::string(control.caption), -1, true, {}});
  }
}

HeadlessToolkit::Control& HeadlessToolkit::Find(ControlRef control) {
  return const_cast<Control&>(std::as_const(*this).Find(control));
}

const HeadlessToolkit::Control& HeadlessToolkit::Find(ControlRef control) const {
  for (const Control& candidate : controls_) {
    if (candidate.design.group == control.group && candidate.design.index == control.index) {
      return candidate;
    }
  }
  throw std::out_of_range("the window has no control " + ControlName(control));
}

void HeadlessToolkit::Connect(Group group, Event event, Handler handler) {
  handlers_[{group, event}] = std::move(handler);
}

void HeadlessToolkit::Raise(ControlRef control, Event event) {
  const auto found = handlers_.find({control.group, event});
  if (found == handlers_.end() || !found->second) return;
  // A copy, so that a handler that reconnects its own event does not destroy itself.
  const Handler handler = found->second;
  handler(control.index);
}

bool HeadlessToolkit::HasHandler(Group group, Event event) const {
  const auto found = handlers_.find({group, event});
  return found != handlers_.end() && found->second;
}

void HeadlessToolkit::Load() { Raise({Group::Form, 0}, Event::Load); }

void HeadlessToolkit::RequestClose() {
  if (!HasHandler(Group::Form, Event::QueryUnload)) return Unload();
  Raise({Group::Form, 0}, Event::QueryUnload);
}

std::string HeadlessToolkit::Text(ControlRef control) const {
  if (control.group == Group::Form) return title_;
  return Find(control).text;
}

void HeadlessToolkit::SetText(ControlRef control, const std::string& text) {
  if (control.group == Group::Form) return SetTitle(text);
  Control& target = Find(control);
  if (target.design.kind != ControlKind::TextBox) {
    target.text = text;
    return;
  }
  // Like the real text box: an assignment that changes nothing raises nothing.
  if (target.text == text) return;
  target.text = text;
  target.selection = {CharacterCount(text), 0};
  Raise(control, Event::Change);
}

int HeadlessToolkit::ListIndex(ControlRef control) const { return Find(control).listIndex; }

void HeadlessToolkit::SetListIndex(ControlRef control, int index) {
  Control& list = Find(control);
  if (list.design.kind != ControlKind::DropDownList || index < -1 ||
      index >= EntryCount(list.design)) {
    throw std::invalid_argument(ControlName(control) + " has no entry " + std::to_string(index));
  }
  list.listIndex = index;
  Raise(control, Event::Click);
}

void HeadlessToolkit::SetSelection(ControlRef control, int start, int length) {
  Control& box = Find(control);
  const int size = CharacterCount(box.text);
  start = std::clamp(start, 0, size);
  box.selection = {start, std::clamp(length, 0, size - start)};
}

HeadlessToolkit::Selection HeadlessToolkit::SelectionOf(ControlRef control) const {
  return Find(control).selection;
}

void HeadlessToolkit::SetEnabled(ControlRef control, bool enabled) {
  Find(control).enabled = enabled;
}

bool HeadlessToolkit::Enabled(ControlRef control) const { return Find(control).enabled; }

const ControlDesign& HeadlessToolkit::DesignOf(ControlRef control) const {
  return Find(control).design;
}

std::string HeadlessToolkit::Title() const { return title_; }

void HeadlessToolkit::SetTitle(const std::string& title) { title_ = title; }

}  // namespace toolkit
