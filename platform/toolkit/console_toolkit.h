#pragma once
// The toolkit behind eveda-batch: the same controls without a window. Titles become one
// progress line on stderr (only when asked for, normally when stderr is a terminal), message
// boxes are kept and answered OK, pending events are nothing to process, and the choosers are
// cancelled. A confirmation (OK and Cancel) is not kept: the command line has already said
// yes. Messages are not printed here: the caller speaks in its own voice from the run's
// report, which knows the paths and reasons a message only carries as text.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/toolkit/headless_toolkit.h"

namespace toolkit {

struct ConsoleOptions {
  std::string commandLine;
  std::string appPath;
  std::ostream* err = nullptr;  // stderr when null
  bool showProgress = false;
  // The title a window shows when it is idle; setting it ends the progress line.
  std::string idleTitle;
  // Starts the progress line, so that everything on stderr says whose it is.
  std::string linePrefix;
  // The progress line's words for a title (the titles as they are when not given).
  std::function<std::string(const std::string& title)> progressText;
};

// Progress belongs on a terminal only, and never when the user asked for quiet.
bool ShouldShowProgress(bool quiet);

class ConsoleToolkit : public HeadlessToolkit {
 public:
  ConsoleToolkit(const FormDesign& design, ConsoleOptions options);
  ~ConsoleToolkit() override;

  void SetTitle(const std::string& title) override;
  int MsgBox(const std::string& prompt, int style) override;
  void DoEvents() override {}
  std::string BrowseForFolder(const std::string&, const std::string&) override { return {}; }
  std::int32_t ChooseBackColor() override { return -1; }

  // Every message shown, in order, for the caller to report.
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  void EndProgressLine();

  std::ostream& err_;
  bool showProgress_;
  std::string idleTitle_;
  std::string linePrefix_;
  std::function<std::string(const std::string&)> progressText_;
  bool progressLineOpen_ = false;
  std::vector<std::string> messages_;
};

}  // namespace toolkit
