#pragma once
// A single-line text box whose character limit bounds only what the user types.
//
// QLineEdit's own maxLength would also cut the texts the program writes (a proposed block
// width of 12000 in a four-character box would become 1200), so the limit is kept by a
// validator that knows which texts come from the program.

#include <QLineEdit>
#include <QString>
#include <functional>

namespace toolkit {

class TextBox final : public QLineEdit {
 public:
  // `limit` characters at most may result from typing; 0 for no limit.
  TextBox(const QString& text, int limit, QWidget* parent);
  ~TextBox() override;

  // Replaces the text whole, however long.
  void SetProgramText(const QString& text);

  // Called once for every change of the text, by the user or the program.
  void OnChange(std::function<void()> handler) { onChange_ = std::move(handler); }
  // Called after the box has taken the keyboard focus.
  void OnFocus(std::function<void()> handler) { onFocus_ = std::move(handler); }

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  class TypingLimit;

  void TextChanged(const QString& text);

  TypingLimit* limit_;
  std::function<void()> onChange_;
  std::function<void()> onFocus_;
};

}  // namespace toolkit
