#include "platform/qt/start_guard.h"

#include <unistd.h>

#include <QMessageLogContext>
#include <QString>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace toolkit {
namespace {

// A message handler is a plain function, so what it needs lives here.
struct HeldMessage {
  QtMsgType type;
  std::string file, function, category;
  int line;
  QString text;
};
QtMessageHandler previousHandler = nullptr;
const char* startFailureLine = nullptr;
void (*startBeforeGivingUp)() = nullptr;
std::vector<HeldMessage> heldMessages;
std::mutex heldMessagesMutex;  // the xcb event thread may log while the constructor runs

std::string Copy(const char* text) { return text == nullptr ? std::string() : text; }

void HoldOrFail(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    if (startBeforeGivingUp != nullptr) startBeforeGivingUp();
    std::fprintf(stderr, "%s\n", startFailureLine);
    _exit(1);  // nothing half-built is worth unwinding
  }
  const std::lock_guard lock(heldMessagesMutex);
  heldMessages.push_back({type, Copy(context.file), Copy(context.function), Copy(context.category),
                          context.line, text});
}

}  // namespace

StartGuard::StartGuard(const char* failureLine, void (*beforeGivingUp)()) {
  startFailureLine = failureLine;
  startBeforeGivingUp = beforeGivingUp;
  previousHandler = qInstallMessageHandler(HoldOrFail);
}

void StartGuard::Release() {
  if (released_) return;
  released_ = true;
  qInstallMessageHandler(previousHandler);
  const std::lock_guard lock(heldMessagesMutex);
  for (const HeldMessage& held : heldMessages) {
    const QMessageLogContext context(held.file.c_str(), held.line, held.function.c_str(),
                                     held.category.c_str());
    qt_message_output(held.type, context, held.text);  // through whatever handler is current
  }
  heldMessages.clear();
}

StartGuard::~StartGuard() { Release(); }

}  // namespace toolkit
