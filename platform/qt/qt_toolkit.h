#pragma once
// The real window: the toolkit services over Qt Widgets, built from a form's design.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include <QString>

#include "platform/toolkit/form_design.h"
#include "platform/toolkit/services.h"

class QWidget;

namespace toolkit {

// Shown when a handler runs out of memory; what it was doing is abandoned.
inline constexpr const char* kOutOfMemoryMessage = "メモリが足りないため、処理を中止しました";

class QtToolkit final : public Services {
 public:
  // The boxes and choosers that wait for the user. The message box defaults to the real Qt
  // one; the choosers live above this layer, so the executable puts them in. Tests put
  // answers in their place, since a modal box would wait forever without a user.
  struct Dialogs {
    std::function<int(const std::string& prompt, int style)> messageBox;
    std::function<std::string(const std::string& prompt, const std::string& startDirectory)>
        browseForFolder;
    std::function<std::int32_t()> chooseBackColor;
  };

  // Needs the QApplication, its font already set up (SetUpApplicationFont).
  QtToolkit(const FormDesign& design, std::string commandLine, std::string appPath);
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  // Raises the window's Load event (once), then shows the window.
  void Show();

  Dialogs& ModalDialogs() { return dialogs_; }
  QWidget* Window() const { return window_.get(); }
  // The designed client area that holds the controls, inside the window's scroll area.
  QWidget* Form() const { return form_; }
  // The widget of a control; nullptr when the design has none of that group and index.
  QWidget* ControlWidget(ControlRef control) const;

  void Connect(Group group, Event event, Handler handler) override;
  std::string Text(ControlRef control) const override;
  void SetText(ControlRef control, const std::string& text) override;
  int ListIndex(ControlRef control) const override;
  void SetListIndex(ControlRef control, int index) override;
  void SetSelection(ControlRef control, int start, int length) override;
  void SetEnabled(ControlRef control, bool enabled) override;
  std::string Title() const override;
  void SetTitle(const std::string& title) override;
  int MsgBox(const std::string& prompt, int style) override;
  void DoEvents() override;
  void Unload() override;
  gdi::HDC WindowDC() override;
  std::string CommandLine() const override;
  std::string AppPath() const override;
  std::string BrowseForFolder(const std::string& prompt,
                              const std::string& startDirectory) override;
  std::int32_t ChooseBackColor() override;

 private:
  struct Control {
    ControlKind kind = ControlKind::Label;
    QWidget* widget = nullptr;
  };

  void BuildWindow(const FormDesign& design);
  void PlaceOnScreen();
  void ConnectEvents(const ControlDesign& design, QWidget* widget);
  void SetTabOrder(const FormDesign& design);
  const Control* Find(ControlRef control) const;
  void Raise(Group group, Event event, int index);
  void ConnectWindowEvents();
  // Whether a close request may close the window now.
  bool MayClose();

  std::unique_ptr<QWidget> window_;
  QWidget* form_ = nullptr;  // owned by the window
  std::map<std::pair<Group, int>, Control> controls_;
  std::map<std::pair<Group, Event>, Handler> handlers_;
  Dialogs dialogs_;
  std::string commandLine_;
  std::string appPath_;
  QString restTitle_;
  bool loaded_ = false;
  bool unloading_ = false;      // the program closes the window
  bool inQueryUnload_ = false;  // a close request is being asked about
  bool unloadAgreed_ = false;   // … and the handler let it through
};

}  // namespace toolkit
