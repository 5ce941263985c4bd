#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/form_test_support.h"

namespace eveda::testing {
namespace {

// Five sources of 100 by 50, the window started on them: proposals 100, 50 and wrap 3.
class StatusTest : public ::testing::Test {
 protected:
  StatusTest() {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}) {
      dir.WriteBmp(name, 100, 50);
    }
  }

  Window& Started() {
    window.Loaded();
    return window;
  }

  // The settings of the worked example: wrap 2, block 100 by 50, spacing 3.
  void Example() {
    Started();
    window.ui.SetText(Text1(3), "2");
    window.ui.SetText(Text1(2), "3");
  }

  std::string Status() const { return window.ui.Text(Label1(11)); }

  TempDir dir;
  Window window{dir.Path()};
};

struct OrderCase {
  int order;
  const char* status;
  std::int32_t columns, rows, width, height;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << "order " << c.order; }

class WorkedExample : public StatusTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(WorkedExample, ShowsTheGridAndOutputSizeOfEachOrder) {
  Example();
  window.ui.Choose(Combo1(0), GetParam().order);
  EXPECT_EQ(Status(), GetParam().status);
  std::int32_t columns = -9, rows = -9, width = -9, height = -9;
  ASSERT_TRUE(window.form.CalcSize(columns, rows, width, height));
  EXPECT_EQ(columns, GetParam().columns);
  EXPECT_EQ(rows, GetParam().rows);
  EXPECT_EQ(width, GetParam().width);
  EXPECT_EQ(height, GetParam().height);
  EXPECT_EQ(window.form.Job().ArrangeOrder,
            static_cast<join::ArrangeOrder>(GetParam().order));
}

INSTANTIATE_TEST_SUITE_P(
    AllOrders, WorkedExample,
    ::testing::Values(
        OrderCase{0, "生成画像ステータス － 横2個、縦3個  横209×縦162", 2, 3, 209, 162},
        OrderCase{1, "生成画像ステータス － 横3個、縦2個  横312×縦109", 3, 2, 312, 109},
        OrderCase{2, "生成画像ステータス － 横3個、縦2個  横312×縦109", 3, 2, 312, 109}));

TEST_F(StatusTest, CaptionIsExactToTheCharacter) {
  Example();
  // U+FF0D between single spaces, U+3001, two spaces, U+00D7.
  EXPECT_EQ(Status(),
            "\xE7\x94\x9F\xE6\x88\x90\xE7\x94\xBB\xE5\x83\x8F\xE3\x82\xB9\xE3\x83\x86\xE3\x83\xBC"
            "\xE3\x82\xBF\xE3\x82\xB9 \xEF\xBC\x8D \xE6\xA8\xAA"
            "2\xE5\x80\x8B\xE3\x80\x81\xE7\xB8\xA6"
            "3\xE5\x80\x8B  \xE6\xA8\xAA"
            "209\xC3\x97\xE7\xB8\xA6"
            "162");
}

struct SettingCase {
  int box;
  const char* text;
  bool valid;
};

void PrintTo(const SettingCase& c, std::ostream* out) {
  *out << "Text1(" << c.box << ") \"" << c.text << '"';
}

class SettingValidity : public StatusTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(SettingValidity, DecidesTheStatusAndLeavesOutputsAloneWhenInvalid) {
  Example();
  window.ui.SetText(Text1(GetParam().box), GetParam().text);
  std::int32_t columns = -9, rows = -9, width = -9, height = -9;
  const bool valid = window.form.CalcSize(columns, rows, width, height);
  EXPECT_EQ(valid, GetParam().valid);
  if (!valid) {
    EXPECT_EQ(Status(), kInvalidStatus);
    EXPECT_EQ(std::vector<std::int32_t>({columns, rows, width, height}),
              std::vector<std::int32_t>({-9, -9, -9, -9}));
  } else {
    EXPECT_NE(Status(), kInvalidStatus);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingValidity,
    ::testing::Values(
        SettingCase{0, "", false}, SettingCase{1, "", false}, SettingCase{3, "", false},
        SettingCase{2, "", true}, SettingCase{1, "0.5", false}, SettingCase{1, "0.6", true},
        SettingCase{0, "0.5", true}, SettingCase{0, "0.3", true}, SettingCase{0, "0", false},
        SettingCase{0, "-1", false}, SettingCase{1, "-1", false}, SettingCase{3, "-1", false},
        SettingCase{2, "-1", false}, SettingCase{2, "-", true}, SettingCase{3, "0.4", false},
        SettingCase{3, "9E9", false}, SettingCase{1, "9E9", false}, SettingCase{2, "9E9", false},
        SettingCase{1, "9E8", false},    // 3 rows of 9E8: too high
        SettingCase{0, "2E9", false},    // 2 columns of 2E9: too wide
        SettingCase{0, "9E99", false},   // fits the double, not the output
        SettingCase{0, "1e999", false},  // infinity
        SettingCase{1, "7E8", true},     // 3 * 7E8 + 4 * 3 still fits
        SettingCase{3, "999", true}, SettingCase{0, "12ab", true}, SettingCase{0, "&HFF", true}));

TEST_F(StatusTest, InvalidCallStillCopiesEverySetting) {
  Example();
  window.ui.Choose(Combo1(1), 2);
  window.ui.SetText(Text1(0), "12.5");
  window.ui.SetText(Text1(1), "12.5");
  window.ui.SetText(Text1(3), "-1");
  EXPECT_EQ(Status(), kInvalidStatus);
  EXPECT_EQ(window.form.Job().BlockWidth, 12.5);
  EXPECT_EQ(window.form.Job().BlockHeight, 12);
  EXPECT_EQ(window.form.Job().Spacing, 3);
  EXPECT_EQ(window.form.Job().WrapCount, -1);
  EXPECT_EQ(window.form.Job().ArrangeOrder, join::ArrangeOrder::RowsFromTopLeft);
  EXPECT_EQ(window.form.Job().FitMode, join::FitMode::Stretch);
}

TEST_F(StatusTest, SettingsTooLargeForTheirFieldsAreStoredAsZero) {
  Example();
  window.ui.SetText(Text1(1), "9E9");
  window.ui.SetText(Text1(3), "9E9");
  EXPECT_EQ(window.form.Job().BlockHeight, 0);
  EXPECT_EQ(window.form.Job().WrapCount, 0);
}

TEST_F(StatusTest, HeightsRoundHalfToEven) {
  Example();
  window.ui.SetText(Text1(1), "2.5");
  EXPECT_EQ(window.form.Job().BlockHeight, 2);
  window.ui.SetText(Text1(1), "3.5");
  EXPECT_EQ(window.form.Job().BlockHeight, 4);
}

TEST_F(StatusTest, FractionalWidthRoundsTheWholeSum) {
  Example();
  window.ui.SetText(Text1(0), "10.5");
  window.ui.SetText(Text1(2), "0");
  window.ui.SetText(Text1(3), "3");
  EXPECT_EQ(Status(), "生成画像ステータス － 横3個、縦2個  横32×縦100");  // 31.5
  window.ui.SetText(Text1(3), "1");
  EXPECT_EQ(Status(), "生成画像ステータス － 横1個、縦5個  横10×縦250");  // 10.5
  window.ui.SetText(Text1(0), "0.3");
  EXPECT_EQ(Status(), "生成画像ステータス － 横1個、縦5個  横0×縦250");
}

TEST_F(StatusTest, WrapCountBeyondTheFileCountLeavesCellsEmpty) {
  Example();
  window.ui.SetText(Text1(3), "9");
  EXPECT_EQ(Status(), "生成画像ステータス － 横9個、縦1個  横930×縦56");
  window.ui.Choose(Combo1(0), 1);
  EXPECT_EQ(Status(), "生成画像ステータス － 横1個、縦9個  横106×縦480");
}

TEST_F(StatusTest, FitModeRefreshesTheStateButNotTheCaption) {
  Example();
  const std::string before = Status();
  window.ui.ClearLog();
  window.ui.Choose(Combo1(1), 1);
  EXPECT_EQ(window.ui.Log(), std::vector<std::string>({"caption:Label1(11)=" + before}));
  EXPECT_EQ(window.form.Job().FitMode, join::FitMode::Centre);
}

TEST_F(StatusTest, TypingRefreshesOncePerCharacter) {
  Example();
  window.ui.ClearLog();
  window.ui.Erase(Text1(0));
  EXPECT_EQ(Status(), kInvalidStatus);
  window.ui.Type(Text1(0), "12");
  EXPECT_EQ(window.ui.Log("caption:"),
            std::vector<std::string>({
                std::string("caption:Label1(11)=") + kInvalidStatus,
                "caption:Label1(11)=生成画像ステータス － 横2個、縦3個  横11×縦162",
                "caption:Label1(11)=生成画像ステータス － 横2個、縦3個  横33×縦162",
            }));
}

TEST_F(StatusTest, FocusSelectsTheWholeTextSoTypingReplacesIt) {
  Example();
  window.ui.Focus(Text1(0));
  EXPECT_EQ(window.ui.SelectionOf(Text1(0)), (toolkit::HeadlessToolkit::Selection{0, 3}));
  window.ui.Type(Text1(0), "7");
  EXPECT_EQ(window.ui.Text(Text1(0)), "7");
  window.ui.Focus(Text1(2));
  window.ui.Type(Text1(2), "5");
  EXPECT_EQ(window.ui.Text(Text1(2)), "5");
}

TEST(StatusWithoutFiles, EverySettingIsInvalid) {
  TempDir empty;
  Window window(empty.Path());
  window.Loaded();
  window.ui.SetText(Text1(0), "100");
  window.ui.SetText(Text1(1), "50");
  window.ui.SetText(Text1(3), "2");
  EXPECT_EQ(window.ui.Text(Label1(11)), kInvalidStatus);
  std::int32_t columns = 0, rows = 0, width = 0, height = 0;
  EXPECT_FALSE(window.form.CalcSize(columns, rows, width, height));
}

}  // namespace
}  // namespace eveda::testing
