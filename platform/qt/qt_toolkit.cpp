#include "platform/qt/qt_toolkit.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QString>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <new>
#include <utility>

#include "platform/qt/control_factory.h"
#include "platform/qt/eveda_windows.h"
#include "platform/qt/message_box.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/text_box.h"
#include "platform/qt/window_placement.h"

namespace toolkit {
namespace {

bool TakesFocus(ControlKind kind) {
  return kind != ControlKind::Label && kind != ControlKind::Line;
}

// A label cuts a text longer than itself (a deep directory's path, say) at its right edge;
// the whole text is then its tooltip. The text itself stays as the program wrote it.
void ShowInLabel(QLabel* label, const QString& text) {
  label->setText(text);
  const bool cut = label->fontMetrics().horizontalAdvance(text) > label->contentsRect().width();
  if (!cut) return label->setToolTip(QString());
  // A tooltip that looks like markup would be read as markup: such a text is escaped.
  label->setToolTip(
      Qt::mightBeRichText(text)
          ? QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped())
          : text);
}

// Lets a close request through only when `mayClose` says so.
class CloseFilter final : public QObject {
 public:
  CloseFilter(QObject* parent, std::function<bool()> mayClose)
      : QObject(parent), mayClose_(std::move(mayClose)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Close || mayClose_()) return QObject::eventFilter(watched, event);
    event->ignore();
    return true;
  }

 private:
  std::function<bool()> mayClose_;
};

}  // namespace

QtToolkit::QtToolkit(const FormDesign& design, std::string commandLine, std::string appPath)
    : window_(std::make_unique<QWidget>()),
      commandLine_(std::move(commandLine)),
      appPath_(std::move(appPath)) {
  dialogs_.messageBox = [this](const std::string& prompt, int style) {
    return ShowMessageBox(window_.get(), prompt, style);
  };
  // Until the executable wires in the real choosers, asking one reads as the user's cancel.
  dialogs_.browseForFolder = [](const std::string&, const std::string&) { return std::string(); };
  dialogs_.chooseBackColor = [] { return std::int32_t{-1}; };
  BuildWindow(design);
  ConnectWindowEvents();
}

// The widgets may still signal while they are torn down (focus moving on); by then the
// handlers' owner may be gone, so they go first.
QtToolkit::~QtToolkit() { handlers_.clear(); }

void QtToolkit::BuildWindow(const FormDesign& design) {
  restTitle_ = ToQString(design.caption);
  window_->setWindowTitle(restTitle_);
  // The controls sit on a form of the designed size; nothing reacts to resizing, so the
  // window has the form's size, or, on a screen too small for it, the screen's, and scrolls.
  const QSize client(PixelsFromTwips(design.clientWidth), PixelsFromTwips(design.clientHeight));
  form_ = new QWidget;
  form_->setFixedSize(client);
  auto* scroll = new QScrollArea(window_.get());
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->setWidget(form_);
  auto* layout = new QVBoxLayout(window_.get());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll);
  window_->setFixedSize(client);
  for (const ControlDesign& control : design.controls) {
    QWidget* widget = CreateControl(control, form_);
    controls_[{control.group, control.index}] = Control{control.kind, widget};
    ConnectEvents(control, widget);
  }
  SetTabOrder(design);
}

// The frame is known only once the window manager has framed the window; until then a
// common title bar and border are assumed.
void QtToolkit::PlaceOnScreen() {
  constexpr QMargins kFrameGuess(4, 32, 4, 4);
  PlacementRequest request;
  request.client = form_->size();
  const QList<QScreen*> screens = QGuiApplication::screens();
  QScreen* pointer = QGuiApplication::screenAt(QCursor::pos());
  if (pointer == nullptr) pointer = QGuiApplication::primaryScreen();
  for (QScreen* screen : screens) request.screens.push_back(screen->availableGeometry());
  request.pointerScreen = static_cast<int>(screens.indexOf(pointer));
  request.scale = pointer != nullptr ? pointer->devicePixelRatio() : 1.0;
  const QWindow* handle = window_->windowHandle();
  request.frame = handle != nullptr && !handle->frameMargins().isNull()
                      ? handle->frameMargins() * request.scale
                      : kFrameGuess;
  request.others = OtherEvedaWindows(request.scale);
  const QRect placed = PlaceWindow(request);
  window_->setFixedSize(placed.size());
  window_->setGeometry(placed);
}

void QtToolkit::ConnectEvents(const ControlDesign& design, QWidget* widget) {
  const Group group = design.group;
  const int index = design.index;
  switch (design.kind) {
    case ControlKind::Button:
      QObject::connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, window_.get(),
                       [this, group, index] { Raise(group, Event::Click, index); });
      break;
    case ControlKind::DropDownList:
      // activated, unlike currentIndexChanged, also reports the user choosing the entry
      // that was already selected: every choice by the user is a Click, changed or not.
      QObject::connect(static_cast<QComboBox*>(widget), &QComboBox::activated, window_.get(),
                       [this, group, index] { Raise(group, Event::Click, index); });
      break;
    case ControlKind::TextBox: {
      auto* box = static_cast<TextBox*>(widget);
      box->OnChange([this, group, index] { Raise(group, Event::Change, index); });
      box->OnFocus([this, group, index] { Raise(group, Event::GotFocus, index); });
      break;
    }
    case ControlKind::Label:
    case ControlKind::Line:
      break;
  }
}

// Escape is a window shortcut, so it reaches the handler once, whichever control has the
// focus, and not while a message box or an open list has the keyboard.
void QtToolkit::ConnectWindowEvents() {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window_.get());
  escape->setContext(Qt::WindowShortcut);
  escape->setAutoRepeat(false);
  QObject::connect(escape, &QShortcut::activated, window_.get(),
                   [this] { Raise(Group::Form, Event::KeyDown, kKeyEscape); });
  window_->installEventFilter(new CloseFilter(window_.get(), [this] { return MayClose(); }));
}

bool QtToolkit::MayClose() {
  if (unloading_ || !handlers_.contains({Group::Form, Event::QueryUnload})) return true;
  if (inQueryUnload_) return false;
  inQueryUnload_ = true;
  unloadAgreed_ = false;
  Raise(Group::Form, Event::QueryUnload, 0);
  inQueryUnload_ = false;
  return unloadAgreed_;
}

// Inside the QueryUnload handler the request being asked about is let through; otherwise
// the window is closed anew.
void QtToolkit::Unload() {
  if (inQueryUnload_) {
    unloadAgreed_ = true;
    return;
  }
  unloading_ = true;
  window_->close();
}

void QtToolkit::SetTabOrder(const FormDesign& design) {
  QWidget* previous = nullptr;
  for (const ControlDesign& control : design.controls) {
    if (!TakesFocus(control.kind)) continue;
    QWidget* widget = controls_.at({control.group, control.index}).widget;
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

void QtToolkit::Show() {
  if (!loaded_) {
    loaded_ = true;
    Raise(Group::Form, Event::Load, 0);
  }
  if (!window_->isVisible()) PlaceOnScreen();
  window_->show();
}

QWidget* QtToolkit::ControlWidget(ControlRef control) const {
  const Control* found = Find(control);
  return found != nullptr ? found->widget : nullptr;
}

const QtToolkit::Control* QtToolkit::Find(ControlRef control) const {
  const auto it = controls_.find({control.group, control.index});
  return it != controls_.end() ? &it->second : nullptr;
}

void QtToolkit::Raise(Group group, Event event, int index) {
  const auto it = handlers_.find({group, event});
  if (it == handlers_.end()) return;
  // A copy, so that a handler may connect another in its place while it runs.
  const Handler handler = it->second;
  try {
    handler(index);
  } catch (const std::bad_alloc&) {
    // What the handler was doing is dropped as it unwinds (a run's file goes with it); the
    // window returns to rest, says why, and stays usable.
    window_->setWindowTitle(restTitle_);
    MsgBox(kOutOfMemoryMessage, kStyleOkExclamation);
  }
}

void QtToolkit::Connect(Group group, Event event, Handler handler) {
  handlers_[{group, event}] = std::move(handler);
}

std::string QtToolkit::Text(ControlRef control) const {
  const Control* found = Find(control);
  if (found == nullptr) return {};
  switch (found->kind) {
    case ControlKind::Button:
      return static_cast<QPushButton*>(found->widget)->text().toStdString();
    case ControlKind::Label:
      return static_cast<QLabel*>(found->widget)->text().toStdString();
    case ControlKind::TextBox:
      return static_cast<TextBox*>(found->widget)->text().toStdString();
    case ControlKind::DropDownList:
      return static_cast<QComboBox*>(found->widget)->currentText().toStdString();
    case ControlKind::Line:
      break;
  }
  return {};
}

void QtToolkit::SetText(ControlRef control, const std::string& text) {
  const Control* found = Find(control);
  if (found == nullptr) return;
  const QString value = QString::fromStdString(text);
  switch (found->kind) {
    case ControlKind::Button:
      static_cast<QPushButton*>(found->widget)->setText(value);
      break;
    case ControlKind::Label:
      ShowInLabel(static_cast<QLabel*>(found->widget), value);
      break;
    case ControlKind::TextBox:
      static_cast<TextBox*>(found->widget)->SetProgramText(value);
      break;
    case ControlKind::DropDownList:
    case ControlKind::Line:
      // A closed list takes no typed text; a line has none.
      break;
  }
}

int QtToolkit::ListIndex(ControlRef control) const {
  const Control* found = Find(control);
  if (found == nullptr || found->kind != ControlKind::DropDownList) return -1;
  return static_cast<QComboBox*>(found->widget)->currentIndex();
}

void QtToolkit::SetListIndex(ControlRef control, int index) {
  const Control* found = Find(control);
  if (found == nullptr || found->kind != ControlKind::DropDownList) return;
  auto* list = static_cast<QComboBox*>(found->widget);
  if (index < -1 || index >= list->count()) return;
  // setCurrentIndex raises no activated signal; the program's choice is reported here,
  // exactly once, as the user's would be.
  list->setCurrentIndex(index);
  Raise(control.group, Event::Click, control.index);
}

void QtToolkit::SetSelection(ControlRef control, int start, int length) {
  const Control* found = Find(control);
  if (found == nullptr || found->kind != ControlKind::TextBox) return;
  auto* box = static_cast<TextBox*>(found->widget);
  const QString text = box->text();
  const int from = Utf16Offset(text, start);
  const int to = Utf16Offset(text, qsizetype{start} + std::max(length, 0));
  box->setSelection(from, to - from);
}

void QtToolkit::SetEnabled(ControlRef control, bool enabled) {
  if (QWidget* widget = ControlWidget(control)) widget->setEnabled(enabled);
}

std::string QtToolkit::Title() const { return window_->windowTitle().toStdString(); }

void QtToolkit::SetTitle(const std::string& title) {
  window_->setWindowTitle(QString::fromStdString(title));
}

int QtToolkit::MsgBox(const std::string& prompt, int style) {
  return dialogs_.messageBox(prompt, style);
}

void QtToolkit::DoEvents() { QCoreApplication::processEvents(); }

gdi::HDC QtToolkit::WindowDC() {
  // Our raster layer draws off screen only; the screen's context (0) serves as the
  // reference for compatible memory contexts.
  return gdi::HDC{};
}

std::string QtToolkit::CommandLine() const { return commandLine_; }

std::string QtToolkit::AppPath() const { return appPath_; }

std::string QtToolkit::BrowseForFolder(const std::string& prompt,
                                       const std::string& startDirectory) {
  return dialogs_.browseForFolder(prompt, startDirectory);
}

std::int32_t QtToolkit::ChooseBackColor() { return dialogs_.chooseBackColor(); }

}  // namespace toolkit
