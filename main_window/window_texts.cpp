#include "main_window/window_texts.h"

#include <vector>

namespace main_window {

// A switch rather than an array, so that the compiler names any text left without words.
std::string_view TextOf(WindowText text) {
  switch (text) {
    case WindowText::FolderPrompt:
      return "BMPのあるディレクトリ";
    case WindowText::ProbeTitle:
      return "画像サイズ取得中・・・%1/%2";
    case WindowText::NoBmpFiles:
      return "ディレクトリ [ %1 ]にはBMPファイルがありませんでした";
    case WindowText::FileCount:
      return "対象ファイル数－ %1";
    case WindowText::StatusValid:
      return "生成画像ステータス － 横%1個、縦%2個  %3";
    case WindowText::StatusInvalid:
      return "生成画像ステータス － 未設定もしくは正しくない値があります";
    case WindowText::InvalidSettings:
      return "設定が正しくありません";
    case WindowText::PreparingTitle:
      return "描画準備中・・・";
    case WindowText::DrawingTitle:
      return "描画中・・・%1/%2";
    case WindowText::SavingTitle:
      return "保存中・・・";
    case WindowText::SizeText:
      return "横%1×縦%2";
    case WindowText::LargeOutputQuestion:
      return "%1の大きなファイルになりますが実行しますか？";
    case WindowText::CanvasBadSize:
      return "出力画像の大きさが%1になるため作成できません";
    case WindowText::CanvasOverflow:
      return "出力画像（%1）はBMPファイルの上限（%2GB）を超えます";
    case WindowText::CanvasOutOfMemory:
      return "出力画像（%1）が大きすぎるため、メモリを確保できませんでした";
    case WindowText::CanvasFailed:
      return "出力画像を作成できませんでした";
    case WindowText::SaveFailed:
      return "ファイル [ %1 ] を保存できませんでした";
    case WindowText::SaveFailedReason:
      return "（%1）";
    case WindowText::NotDrawnHead:
      return "読み込めなかった画像が%1個あります。そのブロックは背景色のままです：";
    case WindowText::NotDrawnSource:
      return "\n%1（%2）";
    case WindowText::NotDrawnMore:
      return "\nほか%1個";
    case WindowText::StopQuestion:
      return "処理を中止しますか？";
  }
  return {};
}

std::string Fill(WindowText text, std::initializer_list<std::string_view> values) {
  const std::string_view pattern = TextOf(text);
  const std::vector<std::string_view> slots(values);
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const bool blank = pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
                       pattern[i + 1] <= '9';
    if (!blank) {
      out.push_back(pattern[i]);
      continue;
    }
    const auto slot = static_cast<std::size_t>(pattern[++i] - '1');
    if (slot < slots.size()) out.append(slots[slot]);
  }
  return out;
}

}  // namespace main_window
