#include "platform/qt/control_factory.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "platform/qt/qt_text.h"
#include "platform/qt/text_box.h"

namespace toolkit {
namespace {

QWidget* CreateButton(const ControlDesign& control, QWidget* parent) {
  auto* button = new QPushButton(ToQString(control.caption), parent);
  // Neither Enter nor Escape may press a button.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

QWidget* CreateLabel(const ControlDesign& control, QWidget* parent) {
  auto* label = new QLabel(ToQString(control.caption), parent);
  // Paths and statuses are shown as written, never read as markup.
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setFocusPolicy(Qt::NoFocus);
  return label;
}

QWidget* CreateDropDownList(const ControlDesign& control, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setEditable(false);
  for (const std::string_view entry : control.entries) {
    if (!entry.empty()) list->addItem(ToQString(entry));
  }
  list->setCurrentIndex(-1);
  return list;
}

bool IsVertical(const ControlDesign& line) { return line.left == line.width; }

QWidget* CreateLine(const ControlDesign& control, QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(IsVertical(control) ? QFrame::VLine : QFrame::HLine);
  line->setFrameShadow(QFrame::Plain);
  line->setLineWidth(1);
  line->setFocusPolicy(Qt::NoFocus);
  return line;
}

QWidget* CreateWidget(const ControlDesign& control, QWidget* parent) {
  switch (control.kind) {
    case ControlKind::Button:
      return CreateButton(control, parent);
    case ControlKind::Label:
      return CreateLabel(control, parent);
    case ControlKind::TextBox:
      return new TextBox(ToQString(control.caption), control.maxLength, parent);
    case ControlKind::DropDownList:
      return CreateDropDownList(control, parent);
    case ControlKind::Line:
      return CreateLine(control, parent);
  }
  return nullptr;
}

}  // namespace

int PixelsFromTwips(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

QRect PixelRect(const ControlDesign& control) {
  if (control.kind == ControlKind::Line) {
    // For a line the design holds both ends: x1, y1, x2, y2.
    const QPoint first(PixelsFromTwips(control.left), PixelsFromTwips(control.top));
    const QPoint second(PixelsFromTwips(control.width), PixelsFromTwips(control.height));
    const QRect span = QRect(first, second).normalized();
    return IsVertical(control) ? QRect(span.left(), span.top(), 1, span.height() - 1)
                               : QRect(span.left(), span.top(), span.width() - 1, 1);
  }
  return {PixelsFromTwips(control.left), PixelsFromTwips(control.top),
          PixelsFromTwips(control.width), PixelsFromTwips(control.height)};
}

QWidget* CreateControl(const ControlDesign& control, QWidget* parent) {
  QWidget* widget = CreateWidget(control, parent);
  widget->setGeometry(PixelRect(control));
  return widget;
}

}  // namespace toolkit
