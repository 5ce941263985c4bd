#include "main_window/form1_design.h"

#include <array>

namespace main_window {
namespace {

using toolkit::ControlDesign;
using toolkit::ControlKind;
using toolkit::Group;

// In tab order. Positions and sizes in twips: left, top, width, height.
constexpr std::array<ControlDesign, 24> kControls = {{
    {Group::Command1, 0, ControlKind::Button, "ディレクトリ選択", 120, 120, 1815, 375},
    {Group::Label1, 0, ControlKind::Label, "", 120, 600, 6615, 375},
    {Group::Label1, 1, ControlKind::Label, "対象ファイル数－", 240, 1440, 6015, 375},
    {Group::Label1, 2, ControlKind::Label, "各ブロックのサイズ", 240, 1920, 1935, 375},
    {Group::Label1, 3, ControlKind::Label, "横", 2280, 1920, 495, 375},
    {Group::Label1, 4, ControlKind::Label, "縦", 3600, 1920, 495, 375},
    {Group::Text1, 0, ControlKind::TextBox, "", 2760, 1980, 615, 375, 4},
    {Group::Text1, 1, ControlKind::TextBox, "", 4080, 1980, 615, 375, 4},
    {Group::Label1, 5, ControlKind::Label, "間隔", 4920, 1920, 495, 375},
    {Group::Text1, 2, ControlKind::TextBox, "0", 5520, 1980, 615, 375, 1},
    {Group::Label1, 6, ControlKind::Label, "並べ方", 240, 2520, 1455, 375},
    {Group::Combo1,
     0,
     ControlKind::DropDownList,
     "",
     1920,
     2460,
     1695,
     345,
     0,
     {"左上→右上", "左上→左下", "右上→右下"}},
    {Group::Text1, 3, ControlKind::TextBox, "", 5400, 2580, 615, 375, 3},
    {Group::Label1, 7, ControlKind::Label, "折り返し間隔", 3840, 2520, 1455, 375},
    {Group::Label1, 8, ControlKind::Label, "空白の埋め方", 240, 3120, 1455, 375},
    {Group::Combo1,
     1,
     ControlKind::DropDownList,
     "",
     1920,
     3060,
     1695,
     345,
     0,
     {"左上", "中央", "拡大縮小"}},
    {Group::Label1, 9, ControlKind::Label, "背景色", 3840, 3120, 975, 375},
    {Group::Command2, 0, ControlKind::Button, "000000", 5160, 3060, 1335, 375},
    {Group::Command3, 0, ControlKind::Button, "出力ファイル名変更", 120, 3600, 2535, 375},
    {Group::Label1, 10, ControlKind::Label, "", 120, 4080, 6615, 375},
    {Group::Label1, 11, ControlKind::Label, "生成画像ステータス", 120, 4920, 6615, 375},
    {Group::Command4, 0, ControlKind::Button, "実行", 4680, 5400, 2055, 495},
    // Two thin separators; for lines the four numbers are x1, y1, x2, y2.
    {Group::Line1, 0, ControlKind::Line, "", 120, 1200, 6840, 1200},
    {Group::Line1, 1, ControlKind::Line, "", 120, 4680, 6840, 4680},
}};

}  // namespace

const toolkit::FormDesign& Form1Design() {
  static const toolkit::FormDesign design{"DID Eveda",       2385,  1620,     7080, 6300,
                                          "ＭＳ Ｐゴシック", 11.25, kControls};
  return design;
}

}  // namespace main_window
