#pragma once
// Form1's window over the Qt toolkit, with every event of every control recorded in order.

#include <gtest/gtest.h>

#include <vector>

#include "platform/qt/qt_toolkit.h"

namespace eveda::testing {

using toolkit::Event;
using toolkit::Group;
using toolkit::QtToolkit;

struct Raised {
  Group group;
  Event event;
  int index;
  friend bool operator==(const Raised&, const Raised&) = default;
};

void PrintTo(const Raised& raised, std::ostream* out);

class RecordingWindow : public ::testing::Test {
 protected:
  RecordingWindow();

  // Shows the window and waits until it has the keyboard focus.
  void ShowActive();
  QWidget* Widget(Group group, int index = 0) const;
  // The events raised since the last call.
  std::vector<Raised> TakeRaised();

  QtToolkit toolkit_;
  std::vector<Raised> raised_;
};

}  // namespace eveda::testing
