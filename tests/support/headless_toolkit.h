#pragma once
// The toolkit without a display: the controls of a FormDesign held as plain values, with the
// same events as the real window. The scripted toolkit builds on it and adds what the tests
// steer: message boxes, pending events, choosers.

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/toolkit/form_design.h"
#include "platform/toolkit/services.h"

namespace toolkit {

// "Text1(0)", "Command2", "Form": how logs and errors name a control.
std::string ControlName(ControlRef control);

class HeadlessToolkit : public Services {
 public:
  // Every control starts with its design caption or text, enabled, lists without a
  // selection; the title is the design caption.
  HeadlessToolkit(const FormDesign& design, std::string commandLine, std::string appPath);

  void Connect(Group group, Event event, Handler handler) override;
  std::string Text(ControlRef control) const override;
  void SetText(ControlRef control, const std::string& text) override;
  int ListIndex(ControlRef control) const override;
  void SetListIndex(ControlRef control, int index) override;
  void SetSelection(ControlRef control, int start, int length) override;
  void SetEnabled(ControlRef control, bool enabled) override;
  std::string Title() const override;
  void SetTitle(const std::string& title) override;
  // The screen stands in for the window: there is none.
  gdi::HDC WindowDC() override { return gdi::HDC{}; }
  std::string CommandLine() const override { return commandLine_; }
  std::string AppPath() const override { return appPath_; }
  void Unload() override { unloaded_ = true; }

  // Raises the window's Load event, as a toolkit does once before it first shows the window.
  void Load();

  // The user's request to close the window: the QueryUnload handler decides, and without one
  // the window closes.
  void RequestClose();
  bool Unloaded() const { return unloaded_; }

  bool Enabled(ControlRef control) const;
  struct Selection {
    int start = 0;
    int length = 0;
    friend bool operator==(Selection, Selection) = default;
  };
  Selection SelectionOf(ControlRef control) const;
  const ControlDesign& DesignOf(ControlRef control) const;

 protected:
  struct Control {
    ControlDesign design;
    std::string text;
    int listIndex = -1;
    bool enabled = true;
    Selection selection;
  };

  Control& Find(ControlRef control);
  const Control& Find(ControlRef control) const;

  // Runs the handler connected to the control's group and event, if any, at once.
  void Raise(ControlRef control, Event event);
  bool HasHandler(Group group, Event event) const;

 private:
  std::vector<Control> controls_;
  std::map<std::pair<Group, Event>, Handler> handlers_;
  std::string title_;
  std::string commandLine_;
  std::string appPath_;
  bool unloaded_ = false;
};

}  // namespace toolkit
