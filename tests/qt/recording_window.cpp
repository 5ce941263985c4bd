#include "tests/qt/recording_window.h"

#include <QTest>
#include <QWidget>
#include <ostream>

#include "main_window/form1_design.h"

namespace eveda::testing {

void PrintTo(const Raised& raised, std::ostream* out) {
  *out << "{group " << static_cast<int>(raised.group) << ", event "
       << static_cast<int>(raised.event) << ", index " << raised.index << "}";
}

RecordingWindow::RecordingWindow()
    : toolkit_(main_window::Form1Design(), "the arguments", "/opt/eveda") {
  for (const Group group :
       {Group::Form, Group::Command1, Group::Command2, Group::Command3, Group::Command4,
        Group::Label1, Group::Text1, Group::Combo1, Group::Line1}) {
    for (const Event event :
         {Event::Load, Event::Click, Event::Change, Event::GotFocus, Event::KeyDown}) {
      toolkit_.Connect(group, event, [this, group, event](int index) {
        raised_.push_back({group, event, index});
      });
    }
  }
}

void RecordingWindow::ShowActive() {
  toolkit_.Show();
  toolkit_.Window()->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(toolkit_.Window()));
}

QWidget* RecordingWindow::Widget(Group group, int index) const {
  return toolkit_.ControlWidget({group, index});
}

std::vector<Raised> RecordingWindow::TakeRaised() {
  std::vector<Raised> taken;
  taken.swap(raised_);
  return taken;
}

}  // namespace eveda::testing
