#include "platform/qt/window_placement.h"

#include <algorithm>
#include <cmath>

namespace toolkit {
namespace {

// A title bar's height where the frame is not known yet (no window manager, say).
constexpr int kCascadeStep = 24;
// Window managers place a window a few pixels from where it was asked for.
constexpr int kSamePlace = 4;
constexpr int kMaxCascade = 64;

int DeviceIndependent(int devicePixels, double scale) {
  return static_cast<int>(std::ceil(devicePixels / std::max(scale, 0.01)));
}

QMargins DeviceIndependent(const QMargins& frame, double scale) {
  return {DeviceIndependent(frame.left(), scale), DeviceIndependent(frame.top(), scale),
          DeviceIndependent(frame.right(), scale), DeviceIndependent(frame.bottom(), scale)};
}

// The top-left corner that keeps `size` inside `area`: the area's own corner when it is
// smaller.
QPoint Inside(QPoint corner, QSize size, const QRect& area) {
  return {std::max(area.left(), std::min(corner.x(), area.right() + 1 - size.width())),
          std::max(area.top(), std::min(corner.y(), area.bottom() + 1 - size.height()))};
}

bool Taken(QPoint corner, const std::vector<QRect>& others) {
  return std::any_of(others.begin(), others.end(), [corner](const QRect& other) {
    return std::abs(other.left() - corner.x()) <= kSamePlace &&
           std::abs(other.top() - corner.y()) <= kSamePlace;
  });
}

}  // namespace

QRect PlaceWindow(const PlacementRequest& request) {
  if (request.screens.empty()) return {QPoint(0, 0), request.client};
  const bool onAScreen = request.pointerScreen >= 0 &&
                         request.pointerScreen < static_cast<int>(request.screens.size());
  const QRect area =
      request.screens[onAScreen ? static_cast<std::size_t>(request.pointerScreen) : 0];
  const QMargins frame = DeviceIndependent(request.frame, request.scale);
  const QSize room = area.size().shrunkBy(frame).expandedTo(QSize(1, 1));
  const QSize client = request.client.boundedTo(room);
  const QSize outer = client.grownBy(frame);

  QPoint corner = Inside(area.topLeft() + QPoint((area.width() - outer.width()) / 2,
                                                 (area.height() - outer.height()) / 2),
                         outer, area);
  const int step = std::max(frame.top(), kCascadeStep);
  const QPoint clientOffset(frame.left(), frame.top());
  for (int i = 0; i < kMaxCascade && Taken(corner + clientOffset, request.others); ++i) {
    // Off the bottom or the right, the cascade starts again from the area's corner.
    const QPoint next = corner + QPoint(step, step);
    corner = Inside(next, outer, area) == next ? next : area.topLeft();
  }
  return {corner + clientOffset, client};
}

}  // namespace toolkit
