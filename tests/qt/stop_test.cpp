// The stop in the real window: Escape and the close button reach the form while a run is
// processing the window's events, while drawing or while saving, and the run stops with the
// folder as it was.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <string>
#include <vector>

#include "main_window/form1.h"
#include "main_window/form1_design.h"
#include "platform/qt/qt_toolkit.h"
#include "tests/support/run_test_support.h"

namespace eveda::testing {
namespace {

using toolkit::Group;
using Outcome = main_window::RunReport::Outcome;

// Form1 in the Qt window over five sources, after one run; the boxes answer OK. The save
// shows its progress at once.
struct QtRunWindow {
  QtRunWindow() {
    for (int i = 0; i < 5; ++i) WritePattern(dir, std::string(1, 'a' + i) + ".bmp", 40, 30);
    ui.ModalDialogs().messageBox = [this](const std::string& prompt, int style) {
      asked.push_back(std::to_string(style) + ":" + prompt);
      return toolkit::kAnswerOk;
    };
    ui.Show();
    ui.Window()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(ui.Window()));
    form.PlemoBMP();
    before = Tree(dir.Path());
    written = ReadBytes(dir.PathOf("plemo001.bmp"));
    ui.SetText({Group::Text1, 2}, "5");  // the next run would write another image
  }
  void ClickRun() { static_cast<QPushButton*>(ui.ControlWidget({Group::Command4, 0}))->click(); }
  // The run was stopped after one question, and the folder is as the first run left it.
  void ExpectStoppedWithNothingWritten() const {
    EXPECT_EQ(form.LastRun().outcome, Outcome::Stopped);
    EXPECT_EQ(asked, std::vector<std::string>{"257:処理を中止しますか？"});
    EXPECT_EQ(Tree(dir.Path()), before);
    EXPECT_EQ(ReadBytes(dir.PathOf("plemo001.bmp")), written);
  }

  TempDir dir;
  toolkit::QtToolkit ui{main_window::Form1Design(), dir.Path(), "/nonexistent-app-dir"};
  main_window::Form1 form{ui, std::chrono::milliseconds{0}};
  std::vector<std::string> asked;
  std::vector<std::string> before;
  std::vector<std::uint8_t> written;
};

TEST(QtStop, EscapeDuringARunStopsItAndTheWindowStaysOpen) {
  QtRunWindow window;
  // Waits in the queue for the run's first pass through the window's events.
  QCoreApplication::postEvent(window.ui.Window(),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  window.ClickRun();
  window.ExpectStoppedWithNothingWritten();
  EXPECT_EQ(window.ui.Title(), "DID Eveda v1.0");
  EXPECT_TRUE(window.ui.Window()->isVisible());
  EXPECT_TRUE(window.ui.ControlWidget({Group::Command4, 0})->isEnabled());
}

TEST(QtStop, ClosingDuringARunStopsItThenClosesTheWindow) {
  QtRunWindow window;
  bool visibleAfterQuestion = false;
  QTimer::singleShot(0, window.ui.Window(), [&] {
    window.ui.Window()->close();
    visibleAfterQuestion = window.ui.Window()->isVisible();
  });
  window.ClickRun();
  EXPECT_TRUE(visibleAfterQuestion);  // the run ends first
  window.ExpectStoppedWithNothingWritten();
  EXPECT_FALSE(window.ui.Window()->isVisible());
}

TEST(QtStop, EscapeWhileTheSaveShowsItsProgressGivesTheSaveUp) {
  QtRunWindow window;
  // Waits in the queue for the save's pass through the window's events.
  QObject::connect(window.ui.Window(), &QWidget::windowTitleChanged, window.ui.Window(),
                   [&window](const QString& title) {
                     if (title == QString::fromStdString("保存中・・・ 100%"))
                       QCoreApplication::postEvent(
                           window.ui.Window(),
                           new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
                   });
  window.ClickRun();
  window.ExpectStoppedWithNothingWritten();
  EXPECT_EQ(window.ui.Title(), "DID Eveda v1.0");
  EXPECT_TRUE(window.ui.Window()->isVisible());
}

TEST(QtStop, OutsideARunTheWindowClosesWithoutAQuestion) {
  QtRunWindow window;
  EXPECT_TRUE(window.ui.Window()->close());
  EXPECT_TRUE(window.asked.empty());
}

}  // namespace
}  // namespace eveda::testing
