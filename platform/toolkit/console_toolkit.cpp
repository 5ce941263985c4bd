#include "platform/toolkit/console_toolkit.h"

#include <unistd.h>

#include <iostream>

namespace toolkit {
namespace {

constexpr const char* kClearToEndOfLine = "\x1b[K";

}  // namespace

bool ShouldShowProgress(bool quiet) { return !quiet && isatty(STDERR_FILENO) == 1; }

ConsoleToolkit::ConsoleToolkit(const FormDesign& design, ConsoleOptions options)
    : HeadlessToolkit(design, std::move(options.commandLine), std::move(options.appPath)),
      err_(options.err ? *options.err : std::cerr),
      showProgress_(options.showProgress),
      idleTitle_(std::move(options.idleTitle)),
      linePrefix_(std::move(options.linePrefix)),
      progressText_(std::move(options.progressText)) {}

ConsoleToolkit::~ConsoleToolkit() { EndProgressLine(); }

void ConsoleToolkit::SetTitle(const std::string& title) {
  HeadlessToolkit::SetTitle(title);
  if (!showProgress_) return;
  if (title == idleTitle_) return EndProgressLine();
  // One line, rewritten in place, so that thousands of titles do not scroll the terminal.
  err_ << '\r' << linePrefix_ << (progressText_ ? progressText_(title) : title) << kClearToEndOfLine
       << std::flush;
  progressLineOpen_ = true;
}

int ConsoleToolkit::MsgBox(const std::string& prompt, int style) {
  if (style == kStyleOkCancelDefaultCancel) return kAnswerOk;
  messages_.push_back(prompt);
  return kAnswerOk;
}

void ConsoleToolkit::EndProgressLine() {
  if (!progressLineOpen_) return;
  err_ << '\r' << kClearToEndOfLine << std::flush;
  progressLineOpen_ = false;
}

}  // namespace toolkit
