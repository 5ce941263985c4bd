#include "app/display_check.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace app {

const char* const kNoDisplayMessage =
    "eveda: cannot open a display; use eveda-batch to join images without a window";

namespace {

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

bool ConnectsOnce() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  // xcb_connect never returns null: a failed connection is an error object to free all the same.
  const bool answered = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return answered;
}

enum class DisplayPlan {
  kCheckX,     // Qt will open an X display: make sure it answers first
  kLeaveToQt,  // another platform (offscreen, wayland, vnc...): Qt reports on its own
  kNoDisplay,  // nothing to open at all
};

// From QT_QPA_PLATFORM, DISPLAY and WAYLAND_DISPLAY (empty when unset).
DisplayPlan PlanDisplay(std::string_view qpaPlatform, std::string_view display,
                        std::string_view waylandDisplay) {
  if (!qpaPlatform.empty()) {
    // "xcb" or "xcb:option=value"; a list such as "wayland;xcb" tries Wayland first.
    return qpaPlatform.starts_with("xcb") ? DisplayPlan::kCheckX : DisplayPlan::kLeaveToQt;
  }
  if (!display.empty()) return DisplayPlan::kCheckX;
  if (!waylandDisplay.empty()) return DisplayPlan::kLeaveToQt;
  return DisplayPlan::kNoDisplay;
}

// A server busy accepting other clients can hang up during connection setup: one more try.
bool XDisplayAnswers() {
  if (ConnectsOnce()) return true;
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  return ConnectsOnce();
}

}  // namespace

bool DisplayCanOpen() {
  const std::string_view waylandDisplay = Environment("WAYLAND_DISPLAY");
  switch (PlanDisplay(Environment("QT_QPA_PLATFORM"), Environment("DISPLAY"), waylandDisplay)) {
    case DisplayPlan::kLeaveToQt:
      return true;
    case DisplayPlan::kNoDisplay:
      return false;
    case DisplayPlan::kCheckX:
      break;
  }
  if (XDisplayAnswers()) return true;
  // With no platform named, Qt in a Wayland session may not need X at all.
  return Environment("QT_QPA_PLATFORM").empty() && !waylandDisplay.empty();
}

}  // namespace app
