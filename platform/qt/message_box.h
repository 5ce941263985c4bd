#pragma once
// Message boxes chosen by a numeric style: buttons, icon and default button in one int.

#include <string>

class QMessageBox;
class QWidget;

namespace toolkit {

// Fills `box` for `prompt` and `style`: the lowest digit chooses the buttons (0 OK, 1 OK and
// Cancel), the next the icon (16 critical, 32 question, 48 exclamation, 64 information),
// 256 makes the second button the default. Escape and closing answer Cancel when there is
// one. The caption is the application's title.
void ConfigureMessageBox(QMessageBox& box, const std::string& prompt, int style);

// The answer for the button that closed `box`: kAnswerOk or kAnswerCancel.
int MessageBoxAnswer(const QMessageBox& box);

// Modal: shows the box and waits for the answer.
int ShowMessageBox(QWidget* owner, const std::string& prompt, int style);

}  // namespace toolkit
