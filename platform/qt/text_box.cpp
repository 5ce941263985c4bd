#include "platform/qt/text_box.h"

#include <QFocusEvent>
#include <QValidator>
#include <algorithm>

namespace toolkit {

// Accepts an edit when its result fits the limit, when it shortens the text (so a longer
// text the program wrote can still be deleted from), or when the program is writing.
//
// QLineEdit reverts a refused keystroke by itself, but it keeps a refused text that comes
// from undo or redo and then stops reverting refused edits until one is accepted. After
// such a kept refusal the validator puts the last accepted text back itself.
class TextBox::TypingLimit final : public QValidator {
 public:
  TypingLimit(int limit, const QString& text, QObject* parent)
      : QValidator(parent), limit_(limit), accepted_(text) {}

  State validate(QString& input, int& position) const override {
    const bool allowed = programWriting_ || limit_ <= 0 || input == accepted_ ||
                         input.size() <= limit_ || input.size() < accepted_.size();
    programWriting_ = false;
    lastRefused_ = !allowed;
    if (allowed) return Acceptable;
    if (!refusalKept_) return Invalid;
    position = std::min(static_cast<int>(accepted_.size()), position);
    input = accepted_;
    lastRefused_ = false;
    return Acceptable;
  }

  void AllowProgramWrite(bool allow) { programWriting_ = allow; }
  const QString& Accepted() const { return accepted_; }
  void Commit(const QString& text) {
    refusalKept_ = lastRefused_;
    accepted_ = text;
  }

 private:
  int limit_;
  QString accepted_;
  mutable bool programWriting_ = false;
  mutable bool lastRefused_ = false;
  bool refusalKept_ = false;
};

TextBox::TextBox(const QString& text, int limit, QWidget* parent)
    : QLineEdit(text, parent), limit_(new TypingLimit(limit, text, this)) {
  setValidator(limit_);
  connect(this, &QLineEdit::textChanged, this, [this](const QString& now) { TextChanged(now); });
}

TextBox::~TextBox() = default;

void TextBox::SetProgramText(const QString& text) {
  limit_->AllowProgramWrite(true);
  setText(text);
  limit_->AllowProgramWrite(false);
  // A text the program writes is shown from its beginning, so that a long path or number
  // reads from its first character rather than its last.
  setCursorPosition(0);
}

void TextBox::TextChanged(const QString& text) {
  // A refusal put back by the validator reports the unchanged text once more.
  const bool changed = text != limit_->Accepted();
  limit_->Commit(text);
  if (changed && onChange_) onChange_();
}

void TextBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  // The box's own context menu hands the focus back when it closes; the box never lost it
  // in the user's eyes, and selecting the whole text then would make Paste replace it.
  if (event->reason() == Qt::PopupFocusReason) return;
  if (onFocus_) onFocus_();
}

}  // namespace toolkit
