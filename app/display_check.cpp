#include "app/display_check.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace app {

const char* const kNoDisplayMessage =
    "eveda: cannot open a display; use eveda-batch to join images without a window";

namespace {

// How many times this start has been made again (the environment carries it across exec).
constexpr const char* kAttemptVariable = "EVEDA_START_ATTEMPT";

xcb_connection_t* heldConnection = nullptr;
std::vector<std::string> arguments;

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

// The connection when the display answered, else nothing (the failed one is freed).
xcb_connection_t* Connect() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  // xcb_connect never returns null: a failed connection is an error object to free all the same.
  if (xcb_connection_has_error(connection) == 0) return connection;
  xcb_disconnect(connection);
  return nullptr;
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

void PauseBeforeConnecting() {
  std::random_device random;
  std::this_thread::sleep_for(
      std::chrono::milliseconds(std::uniform_int_distribution(100, 300)(random)));
}

// A server that has just seen another client hang up can refuse the next connection during
// its setup; a few tries apart tell that from a display that does not answer at all.
bool XDisplayAnswers() {
  for (int attempt = 1; attempt <= kCheckAttempts; ++attempt) {
    heldConnection = Connect();
    if (heldConnection != nullptr) return true;
    if (attempt < kCheckAttempts) PauseBeforeConnecting();
  }
  return false;
}

int Attempt() { return std::atoi(std::string(Environment(kAttemptVariable)).c_str()); }

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

void CloseDisplayCheck() {
  if (heldConnection != nullptr) xcb_disconnect(heldConnection);
  heldConnection = nullptr;
  ::unsetenv(kAttemptVariable);
}

void RememberArguments(int argc, char* argv[]) { arguments.assign(argv, argv + argc); }

void StartAgain() {
  const int attempt = Attempt();
  // The check's connection is the proof that the display answers: Qt met a refusal of the
  // moment, which a later connection does not meet.
  if (attempt >= kStartAttempts || arguments.empty() || heldConnection == nullptr) return;
  CloseDisplayCheck();
  ::setenv(kAttemptVariable, std::to_string(attempt + 1).c_str(), 1);
  PauseBeforeConnecting();
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  ::execv("/proc/self/exe", argv.data());
}

}  // namespace app
