// The window: Form1 over the Qt toolkit.

#include <QApplication>
#include <iostream>
#include <string>
#include <utility>

#include "app/display_check.h"
#include "app/window_arguments.h"
#include "comdlg/comdlg.h"
#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "platform/qt/application_font.h"
#include "platform/qt/application_icon.h"
#include "platform/qt/japanese_texts.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/start_directory.h"
#include "platform/qt/start_guard.h"
#include "platform/stop_signals/stop_signals.h"
#include "platform/toolkit/process_info.h"

int main(int argc, char* argv[]) {
  // Taken before QApplication, which removes the arguments it understands itself.
  std::string commandLine = toolkit::JoinArguments(argc, argv);
  if (const auto answer = app::AnswerInsteadOfWindow(commandLine, EVEDA_VERSION)) {
    std::cout << *answer;
    return 0;
  }
  app::RememberArguments(argc, argv);
  if (!app::DisplayCanOpen()) {
    std::cerr << app::kNoDisplayMessage << '\n';
    return 1;
  }
  stop_signals::Install(stop_signals::AfterCommit::kExit);
  toolkit::StartGuard startGuard(app::kNoDisplayMessage, app::StartAgain);
  QApplication application(argc, argv);
  app::CloseDisplayCheck();
  startGuard.Release();
  const toolkit::FormDesign& design = main_window::Form1Design();
  toolkit::SetUpApplicationFont(application, design);
  toolkit::SetUpApplicationIcon(application);
  toolkit::InstallJapaneseQtTexts(application);
  // Read when no directory is given: the program's own, unless that is a system directory.
  const std::string startDirectory =
      toolkit::StartDirectory(toolkit::StartPlacesOf(toolkit::ExecutableDirectory()));
  toolkit::QtToolkit window(design, std::move(commandLine), startDirectory);
  window.ModalDialogs().browseForFolder = Comdlg::BrowseForFolder;
  window.ModalDialogs().chooseBackColor = Comdlg::ChooseBackColor;
  main_window::Form1 form(window);
  window.Show();
  return QApplication::exec();
}
