#include "join/grid_plan.h"

#include <gtest/gtest.h>

#include <array>
#include <cfenv>

namespace join {
namespace {

// Five sources, wrap 2, cells of 100 x 50, spacing 3: the canvas is 209 wide by rows and
// 312 wide by columns.
Layout WorkedExample(int order, int fit = 0) {
  Layout s;
  s.BlockWidth = 100;
  s.BlockHeight = 50;
  s.Spacing = 3;
  s.WrapCount = 2;
  s.ArrangeOrder = ArrangeOrderFromListIndex(order);
  s.FitMode = FitModeFromListIndex(fit);
  return s;
}

TEST(CellOriginTest, WorkedExampleInAllThreeOrders) {
  const std::array<std::array<CellOrigin, 5>, 3> expected = {{
      {{{3, 3}, {106, 3}, {3, 56}, {106, 56}, {3, 109}}},
      {{{3, 3}, {3, 56}, {106, 3}, {106, 56}, {209, 3}}},
      {{{209, 3}, {209, 56}, {106, 3}, {106, 56}, {3, 3}}},
  }};
  for (int order = 0; order < 3; ++order) {
    const int width = order == 0 ? 209 : 312;
    for (int i = 1; i <= 5; ++i) {
      EXPECT_EQ(CellOriginOf(WorkedExample(order), width, i), expected[order][i - 1])
          << "order " << order << ", file " << i;
    }
  }
}

// A caption strip of 17 rows under each 50-row picture area: a pitch of 67 + 3.
TEST(CellOriginTest, ACaptionStripLengthensEveryCell) {
  Layout s = WorkedExample(0);
  s.CaptionHeight = 17;
  EXPECT_EQ(GridOf(s, 5), (GridSize{2, 3, 209, 3 * 67 + 4 * 3}));
  EXPECT_EQ(CellOriginOf(s, 209, 4), (CellOrigin{106, 73}));
  EXPECT_EQ(CellOriginOf(s, 209, 5), (CellOrigin{3, 143}));
  EXPECT_EQ(PlanTileCopy(s, {3, 73}, 300, 90), (TileCopy{false, 3, 73, 100, 50, 0, 0}));
  s = WorkedExample(2);
  s.CaptionHeight = 17;
  EXPECT_EQ(GridOf(s, 5), (GridSize{3, 2, 312, 2 * 67 + 3 * 3}));
  EXPECT_EQ(CellOriginOf(s, 312, 2), (CellOrigin{209, 73}));
  s.CaptionHeight = -1;
  EXPECT_EQ(GridOf(s, 5), std::nullopt);
}

// Rows from the top right are rows mirrored: the same grid and rows, the first column at the
// right, the fractional width rounded once for the whole sum as columns from the right round it.
TEST(CellOriginTest, RightToLeftRowsAreRowsMirrored) {
  const struct {
    double blockWidth;
    std::int32_t spacing, width;
    std::array<std::int32_t, 2> x;  // of the first and second cell of a row
  } cases[] = {
      {100, 3, 209, {106, 3}},
      {100.5, 3, 210, {106, 3}},  // round(210 - 103.5) = 106, half to even
      {7.5, 1, 18, {10, 1}},      // round(18 - 8.5) = 10
  };
  for (const auto& c : cases) {
    Layout rows = WorkedExample(0);
    rows.BlockWidth = c.blockWidth;
    rows.Spacing = c.spacing;
    Layout rtl = rows;
    rtl.ArrangeOrder = ArrangeOrder::RowsFromTopRight;
    const auto grid = GridOf(rtl, 5);
    ASSERT_EQ(grid, GridOf(rows, 5));
    EXPECT_EQ(grid->Width, c.width);
    for (int i = 1; i <= 5; ++i) {
      SCOPED_TRACE(::testing::Message() << c.blockWidth << ", file " << i);
      EXPECT_EQ(CellOriginOf(rtl, c.width, i),
                (CellOrigin{c.x[(i - 1) % 2], CellOriginOf(rows, c.width, i).y}));
      EXPECT_EQ(GridCellOf(rtl, *grid, i).column, 1 - GridCellOf(rows, *grid, i).column);
    }
  }
}

TEST(CellOriginTest, FractionalBlockWidthRoundsTheWholeSumHalfToEven) {
  Layout s = WorkedExample(0);
  s.BlockWidth = 100.5;
  EXPECT_EQ(CellOriginOf(s, 0, 2).x, 106);  // round(100.5 + 6) = round(106.5)
  s.Spacing = 0;
  s.WrapCount = 4;
  EXPECT_EQ(CellOriginOf(s, 0, 2).x, 100);  // round(100.5) = 100
  EXPECT_EQ(CellOriginOf(s, 0, 4).x, 302);  // round(301.5) = 302
}

TEST(CellOriginTest, RightToLeftColumnsStartAtTheRightEdgeAndEndAtTheMargin) {
  const Layout s = WorkedExample(2);
  EXPECT_EQ(CellOriginOf(s, 312, 1).x, 312 - 100 - 3);
  EXPECT_EQ(CellOriginOf(s, 312, 5).x, 3);
}

struct FitCase {
  const char* name;
  int fit;
  CellOrigin cell;
  int sw, sh;
  TileCopy expected;
};

TEST(PlanTileCopyTest, FitModes) {
  const std::array<FitCase, 11> cases = {{
      {"exact size, top left", 0, {3, 3}, 100, 50, {false, 3, 3, 100, 50, 0, 0}},
      {"exact size, centre", 1, {3, 3}, 100, 50, {false, 3, 3, 100, 50, 0, 0}},
      {"exact size, stretch", 2, {3, 3}, 100, 50, {true, 3, 3, 100, 50, 0, 0}},
      {"smaller, top left", 0, {3, 3}, 40, 20, {false, 3, 3, 40, 20, 0, 0}},
      {"larger, top left keeps the top-left part",
       0,
       {3, 3},
       300,
       90,
       {false, 3, 3, 100, 50, 0, 0}},
      {"60x80 centred", 1, {106, 3}, 60, 80, {false, 126, 3, 60, 50, 0, 15}},
      {"95x50 centred from an odd origin", 1, {3, 3}, 95, 50, {false, 6, 3, 95, 50, 0, 0}},
      {"95x50 centred from an even origin", 1, {106, 3}, 95, 50, {false, 108, 3, 95, 50, 0, 0}},
      {"5 wider starts at column 2", 1, {3, 3}, 105, 50, {false, 3, 3, 100, 50, 2, 0}},
      {"7 wider starts at column 4", 1, {3, 3}, 107, 50, {false, 3, 3, 100, 50, 4, 0}},
      {"wider but shorter: cropped and centred in one copy",
       1,
       {3, 3},
       120,
       30,
       {false, 3, 13, 100, 30, 10, 0}},
  }};
  for (const FitCase& c : cases) {
    EXPECT_EQ(PlanTileCopy(WorkedExample(0, c.fit), c.cell, c.sw, c.sh), c.expected) << c.name;
  }
}

TEST(PlanTileCopyTest, FractionalBlockWidthCopiesTheRoundedWidth) {
  Layout s = WorkedExample(0, 0);
  s.BlockWidth = 100.5;
  EXPECT_EQ(PlanTileCopy(s, {3, 3}, 200, 50).cx, 100);
  s.FitMode = FitMode::Centre;
  EXPECT_EQ(PlanTileCopy(s, {3, 3}, 200, 50).cx, 100);
  EXPECT_EQ(PlanTileCopy(s, {3, 3}, 200, 50).sx, 50);
  s.FitMode = FitMode::Stretch;
  EXPECT_EQ(PlanTileCopy(s, {3, 3}, 7, 9), (TileCopy{true, 3, 3, 100, 50, 0, 0}));
}

// Contain: one factor for both sides, the larger side's cell edge reached, centred with
// Centre's half-to-even rounding on the other axis. Cells of 100 x 50 at (3, 3) and (106, 56).
TEST(PlanTileCopyTest, ContainKeepsTheAspectRatio) {
  struct Case {
    const char* name;
    CellOrigin cell;
    int sw, sh;
    TileCopy expected;
  };
  const Case cases[] = {
      {"wide 300x40: 100 x 13.3, y 3 + 18.5", {3, 3}, 300, 40, {true, 3, 22, 100, 13, 0, 0}},
      {"wide in the lower cell: 56 + 18.5", {106, 56}, 300, 40, {true, 106, 74, 100, 13, 0, 0}},
      {"tall 50x120: 20.8 x 50, x 3 + 39.5", {3, 3}, 50, 120, {true, 42, 3, 21, 50, 0, 0}},
      {"tall, x 106 + 39.5", {106, 56}, 50, 120, {true, 146, 56, 21, 50, 0, 0}},
      {"square 10x10 enlarged to 50 x 50", {3, 3}, 10, 10, {true, 28, 3, 50, 50, 0, 0}},
      {"the cell's own ratio fills it", {3, 3}, 200, 100, {true, 3, 3, 100, 50, 0, 0}},
      {"a hair-thin source keeps one pixel", {3, 3}, 1, 100000, {true, 52, 3, 1, 50, 0, 0}},
      {"2^31-1 wide: no 32-bit overflow",
       {3, 3},
       2147483647,
       1073741824,
       {true, 3, 3, 100, 50, 0, 0}},
  };
  for (const Case& c : cases) {
    Layout s = WorkedExample(0);
    s.FitMode = FitMode::Contain;
    EXPECT_EQ(PlanTileCopy(s, c.cell, c.sw, c.sh), c.expected) << c.name;
  }
}

// ScaledRect: where the whole source lands, and VisiblePart: what of it the cell shows. Cover
// scales by the larger factor and crops the overflow, centred; Contain's rectangle is its copy.
// Cells of 100 x 50 at (3, 3).
TEST(ScaledRectTest, CoverFillsTheCellAndContainFitsIt) {
  struct Case {
    const char* name;
    FitMode fit;
    int sw, sh;
    Rect drawn, visible;
  };
  const Case cases[] = {
      {"wide: 375 x 50", FitMode::Cover, 300, 40, {-134, 3, 375, 50}, {137, 0, 100, 50}},
      {"tall: 100 x 240", FitMode::Cover, 50, 120, {3, -92, 100, 240}, {0, 95, 100, 50}},
      {"small, enlarged", FitMode::Cover, 10, 10, {3, -22, 100, 100}, {0, 25, 100, 50}},
      {"the cell's ratio", FitMode::Cover, 200, 100, {3, 3, 100, 50}, {0, 0, 100, 50}},
      {"hair-thin", FitMode::Cover, 1, 100000, {3, -4999972, 100, 10000000}, {0, 4999975, 100, 50}},
      {"centre crops", FitMode::Centre, 300, 40, {-97, 8, 300, 40}, {100, 0, 100, 40}},
  };
  for (const Case& c : cases) {
    Layout s = WorkedExample(0);
    s.FitMode = c.fit;
    const Rect drawn = ScaledRect(s, {3, 3}, c.sw, c.sh);
    EXPECT_EQ(drawn, c.drawn) << c.name;
    EXPECT_EQ(VisiblePart(s, {3, 3}, drawn), c.visible) << c.name;
  }
}

// The lists' indices as the window reads them, including none selected (-1) and one past
// the end.
TEST(ListIndexTest, ConvertsToTheOrderAndFitMode) {
  struct Case {
    int index;
    ArrangeOrder order;
    FitMode fit;
  };
  const std::array<Case, 5> cases = {{
      {-1, ArrangeOrder::ColumnsFromTopLeft, FitMode::None},
      {0, ArrangeOrder::RowsFromTopLeft, FitMode::TopLeft},
      {1, ArrangeOrder::ColumnsFromTopLeft, FitMode::Centre},
      {2, ArrangeOrder::ColumnsFromTopRight, FitMode::Stretch},
      {3, ArrangeOrder::ColumnsFromTopLeft, FitMode::None},
  }};
  for (const Case& c : cases) {
    EXPECT_EQ(ArrangeOrderFromListIndex(c.index), c.order) << c.index;
    EXPECT_EQ(FitModeFromListIndex(c.index), c.fit) << c.index;
  }
}

TEST(PlanTileCopyTest, NoFitModeSelectedStretches) {
  Layout s = WorkedExample(0);
  s.FitMode = FitMode::None;
  EXPECT_EQ(PlanTileCopy(s, {3, 3}, 7, 9), (TileCopy{true, 3, 3, 100, 50, 0, 0}));
}

// Halves go to the even neighbour whatever rounding mode the process happens to be in.
TEST(PlanTileCopyTest, HalvesRoundToEvenInEveryRoundingMode) {
  const int previous = std::fegetround();
  for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    ASSERT_EQ(std::fesetround(mode), 0);
    Layout s = WorkedExample(0, 1);
    s.BlockWidth = 100.5;
    const TileCopy wide = PlanTileCopy(s, {3, 3}, 200, 50);
    const TileCopy oddCentred = PlanTileCopy(WorkedExample(0, 1), {3, 3}, 95, 50);  // 3 + 2.5
    const CellOrigin second = CellOriginOf(s, 210, 2);                              // 100.5 + 6
    std::fesetround(previous);
    EXPECT_EQ(wide.cx, 100) << mode;
    EXPECT_EQ(wide.sx, 50) << mode;
    EXPECT_EQ(oddCentred.x, 6) << mode;
    EXPECT_EQ(second.x, 106) << mode;
  }
}

}  // namespace
}  // namespace join
