#include "main_window/form1.h"
#include "main_window/form1_design.h"

namespace main_window {

void Form1::Form_Load() {
  // First, because the list selections below already refresh the status line, which asks
  // for the file count.
  FileList.assign(1, std::string());
  ui_.SetTitle(kReadyTitle);
  ui_.SetListIndex(Combo1(0), 0);
  ui_.SetListIndex(Combo1(1), 0);
  Loaded = false;
  const std::string commandLine = ui_.CommandLine();
  GetBMPList(commandLine.empty() ? ui_.AppPath() : commandLine);
  Loaded = true;
}

}  // namespace main_window
