#pragma once
// The window toolkit as the main window's logic sees it: controls addressed by group and
// index, their events, the title, message boxes, the choosers, pending events and the
// command line. Three implementations serve it: the Qt window, the scripted one the tests
// drive, and the console one behind eveda-batch.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/gdi/gdi.h"

namespace toolkit {

enum class Group { Form, Command1, Command2, Command3, Command4, Label1, Text1, Combo1, Line1 };

struct ControlRef {
  Group group = Group::Form;
  int index = 0;
  friend bool operator==(ControlRef, ControlRef) = default;
};

// KeyDown and QueryUnload are the window's (Group::Form) only. KeyDown reports a key pressed
// anywhere in the window, once per press (held keys do not repeat it), with the key code as
// the index. QueryUnload reports that the user asked to close the window: while a handler is
// connected the window stays open until the program calls Unload.
enum class Event { Load, Click, Change, GotFocus, KeyDown, QueryUnload };

// Handlers receive the index of the control that raised the event (0 for single controls).
using Handler = std::function<void(int index)>;

// Key codes, as the window's code and every toolkit number them (Escape as in ASCII).
inline constexpr int kKeyEscape = 27;

// Message box styles and answers. The numbers are a stable contract: the window's code passes
// them as plain ints and every toolkit decodes the same digits (see message_box.h).
inline constexpr int kStyleOkExclamation = 48;           // OK button, exclamation icon
inline constexpr int kStyleOkCancelDefaultCancel = 257;  // OK and Cancel, Cancel the default
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;  // also when the box is closed

// The caption every message box carries.
inline constexpr const char* kApplicationTitle = "DIDEVEDA";

class Services {
 public:
  virtual ~Services() = default;

  // One handler per group and event; a later call replaces the earlier one.
  virtual void Connect(Group group, Event event, Handler handler) = 0;

  // A text box's text, or a label's or button's caption.
  virtual std::string Text(ControlRef control) const = 0;
  // Replaces the text or caption. For a text box whose text changes this raises its Change
  // event at once, nested in the call, as the user's typing does. Never cut to the box's
  // character limit: the limit bounds only what the user types.
  virtual void SetText(ControlRef control, const std::string& text) = 0;

  // The selected entry of a drop-down list, -1 when none.
  virtual int ListIndex(ControlRef control) const = 0;
  // Selects an entry and raises the list's Click event at once, as the user's choice does.
  virtual void SetListIndex(ControlRef control, int index) = 0;

  // Selects `length` characters of a text box's text from `start`.
  virtual void SetSelection(ControlRef control, int start, int length) = 0;

  // Whether the user can click or edit a control.
  virtual void SetEnabled(ControlRef control, bool enabled) = 0;

  virtual std::string Title() const = 0;
  virtual void SetTitle(const std::string& title) = 0;

  // Modal; returns kAnswerOk or kAnswerCancel. The caption is kApplicationTitle.
  virtual int MsgBox(const std::string& prompt, int style) = 0;

  // Handles every pending window event, handlers included, before returning.
  virtual void DoEvents() = 0;

  // Closes the window for good; the program ends with it. Called from a QueryUnload
  // handler, it lets that close request through.
  virtual void Unload() = 0;

  // The window's drawing context, used only as the reference for compatible contexts.
  virtual gdi::HDC WindowDC() = 0;

  // The program's arguments joined by single spaces, otherwise unaltered ("" for none).
  virtual std::string CommandLine() const = 0;
  // The directory that holds the executable, without a trailing "/".
  virtual std::string AppPath() const = 0;

  // The folder chooser with `prompt`, opened at `startDirectory` (or where the user's files
  // are, when that is "" or no directory): the chosen directory's full path, or "" when
  // cancelled.
  virtual std::string BrowseForFolder(const std::string& prompt,
                                      const std::string& startDirectory) = 0;
  // The colour chooser: the chosen colour as 0x00BBGGRR, or -1 when cancelled.
  virtual std::int32_t ChooseBackColor() = 0;
};

}  // namespace toolkit
