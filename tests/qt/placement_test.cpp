// Where the window opens: always wholly on one screen, at every scale factor and screen size.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/qt/window_placement.h"
#include "tests/qt/recording_window.h"

namespace eveda::testing {
namespace {

using toolkit::PlacementRequest;
using toolkit::PlaceWindow;

const QSize kDesign(472, 420);
const QMargins kFrame(4, 32, 4, 4);  // device pixels

// A screen of `width` x `height` device pixels at `scale`, a panel of 40 device pixels along
// its bottom taken off, offset by `x` device pixels: its available geometry as Qt gives it.
QRect Available(int width, int height, double scale, int x = 0) {
  const auto independent = [scale](int pixels) {
    return static_cast<int>(std::floor(pixels / scale));
  };
  return {independent(x), 0, independent(width), independent(height - 40)};
}

QRect FrameOf(const QRect& client, const QMargins& frame, double scale) {
  const auto up = [scale](int pixels) { return static_cast<int>(std::ceil(pixels / scale)); };
  return client.marginsAdded(
      {up(frame.left()), up(frame.top()), up(frame.right()), up(frame.bottom())});
}

struct ScreenSize {
  int width;
  int height;
};
const std::vector<ScreenSize> kScreens = {{800, 600},   {1024, 768},  {1280, 1024}, {1366, 768},
                                          {1920, 1080}, {2560, 1440}, {3840, 2160}};
const std::vector<double> kScales = {1, 1.5, 2, 3};

// The frame inside `area`; the client area the design's size wherever that fits, else as
// large as fits; centred when it fits.
void ExpectPlacedIn(const QRect& placed, const QRect& area, double scale) {
  const QRect frame = FrameOf(placed, kFrame, scale);
  EXPECT_TRUE(area.contains(frame))
      << "frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height()
      << " area " << area.width() << "x" << area.height();
  const QSize room = area.size() - (frame.size() - placed.size());
  EXPECT_EQ(placed.size(), kDesign.boundedTo(room));
  if (placed.size() == kDesign) {
    EXPECT_LE(std::abs((frame.left() - area.left()) - (area.right() - frame.right())), 1);
    EXPECT_LE(std::abs((frame.top() - area.top()) - (area.bottom() - frame.bottom())), 1);
  }
}

TEST(Placement, OneScreenOfAnySizeAtAnyScaleHoldsTheWholeWindow) {
  for (const double scale : kScales) {
    for (const ScreenSize& screen : kScreens) {
      SCOPED_TRACE(::testing::Message() << screen.width << "x" << screen.height << " at " << scale);
      const QRect area = Available(screen.width, screen.height, scale);
      const QRect placed = PlaceWindow({kDesign, kFrame, scale, {area}, 0, {}});
      ExpectPlacedIn(placed, area, scale);
    }
  }
}

TEST(Placement, TheDesignSizeWhereverItFits) {
  // Scale 2 on 1280 x 1024 (the README's picture) and scale 1 on the smallest screen fit;
  // scale 3 on 1920 x 1080 does not.
  EXPECT_EQ(PlaceWindow({kDesign, kFrame, 2, {Available(1280, 1024, 2)}, 0, {}}).size(), kDesign);
  EXPECT_EQ(PlaceWindow({kDesign, kFrame, 1, {Available(800, 600, 1)}, 0, {}}).size(), kDesign);
  EXPECT_LT(PlaceWindow({kDesign, kFrame, 3, {Available(1920, 1080, 3)}, 0, {}}).height(),
            kDesign.height());
}

TEST(Placement, TwoScreensTheOneUnderThePointer) {
  for (const double scale : kScales) {
    for (const ScreenSize& left : kScreens) {
      for (const ScreenSize& right : {kScreens.front(), kScreens[4], kScreens.back()}) {
        SCOPED_TRACE(::testing::Message() << left.width << "x" << left.height << " + "
                                          << right.width << "x" << right.height << " at " << scale);
        const std::vector<QRect> screens = {
            Available(left.width, left.height, scale),
            Available(right.width, right.height, scale, left.width)};
        for (const int pointer : {0, 1}) {
          const QRect placed = PlaceWindow({kDesign, kFrame, scale, screens, pointer, {}});
          ExpectPlacedIn(placed, screens[static_cast<std::size_t>(pointer)], scale);
        }
      }
    }
  }
}

TEST(Placement, AScreenLeftOfThePrimaryOrAPointerOffEveryScreen) {
  const std::vector<QRect> screens = {QRect(0, 0, 1920, 1040), QRect(-1280, -200, 1280, 984)};
  ExpectPlacedIn(PlaceWindow({kDesign, kFrame, 1, screens, 1, {}}), screens[1], 1);
  ExpectPlacedIn(PlaceWindow({kDesign, kFrame, 1, screens, 7, {}}), screens[0], 1);
  ExpectPlacedIn(PlaceWindow({kDesign, kFrame, 1, screens, -1, {}}), screens[0], 1);
}

TEST(Placement, FurtherWindowsCascadeAndStayOnTheScreen) {
  for (const double scale : kScales) {
    for (const ScreenSize& screen : kScreens) {
      SCOPED_TRACE(::testing::Message() << screen.width << "x" << screen.height << " at " << scale);
      const QRect area = Available(screen.width, screen.height, scale);
      std::vector<QRect> others;
      for (int i = 0; i < 12; ++i) {
        const QRect placed = PlaceWindow({kDesign, kFrame, scale, {area}, 0, others});
        const QRect frame = FrameOf(placed, kFrame, scale);
        EXPECT_TRUE(area.contains(frame)) << "window " << i;
        // The second window does not open over the first where there is room to move.
        const int step = std::max(32, static_cast<int>(std::ceil(kFrame.top() / scale)));
        const bool roomToMove =
            frame.width() + step <= area.width() && frame.height() + step <= area.height();
        if (i == 1 && roomToMove) {
          EXPECT_NE(others[0].topLeft(), placed.topLeft());
        }
        others.push_back(placed);
      }
    }
  }
}

TEST(Placement, NoScreenKeepsTheDesign) {
  EXPECT_EQ(PlaceWindow({kDesign, kFrame, 1, {}, 0, {}}), QRect(QPoint(0, 0), kDesign));
}

using PlacedWindowTest = RecordingWindow;

TEST_F(PlacedWindowTest, TheShownWindowIsWhollyOnItsScreen) {
  toolkit_.Show();
  const QScreen* screen = toolkit_.Window()->screen();
  ASSERT_NE(screen, nullptr);
  EXPECT_TRUE(screen->availableGeometry().contains(toolkit_.Window()->frameGeometry()));
  EXPECT_EQ(toolkit_.Window()->size(), kDesign);
  EXPECT_EQ(toolkit_.Form()->size(), kDesign);
}

}  // namespace
}  // namespace eveda::testing
