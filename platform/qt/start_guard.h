#pragma once
// Qt ends a start it cannot finish (its platform plugin found no display) with qFatal: a page
// of plugin advice, an abort and a core dump. Around the QApplication constructor this guard
// turns that into one line of our own and exit status 1. A display checked just before can
// still hang up on Qt's own connection.

#include <QtGlobal>

namespace toolkit {

class StartGuard {
 public:
  // Until Release(), Qt's messages are held back; a fatal one first calls `beforeGivingUp`
  // (when given: it may start the program again and not return), then prints `failureLine`
  // (to stderr, with a line feed) and ends the process with status 1.
  explicit StartGuard(const char* failureLine, void (*beforeGivingUp)() = nullptr);
  // Passes the held messages on, in order, to the handler that was there before.
  void Release();
  ~StartGuard();

  StartGuard(const StartGuard&) = delete;
  StartGuard& operator=(const StartGuard&) = delete;

 private:
  bool released_ = false;
};

}  // namespace toolkit
