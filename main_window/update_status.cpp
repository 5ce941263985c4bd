#include <string>

#include "main_window/form1.h"

namespace main_window {

void Form1::UpdateStatus() {
  std::int32_t Columns = 0;
  std::int32_t Rows = 0;
  std::int32_t OutWidth = 0;
  std::int32_t OutHeight = 0;
  if (CalcSize(Columns, Rows, OutWidth, OutHeight)) {
    ui_.SetText(Label1(11), "生成画像ステータス － 横" + std::to_string(Columns) + "個、縦" +
                                std::to_string(Rows) + "個  " + "横" + std::to_string(OutWidth) +
                                "×縦" + std::to_string(OutHeight));
  } else {
    ui_.SetText(Label1(11), "生成画像ステータス － 未設定もしくは正しくない値があります");
  }
}

}  // namespace main_window
