#include "main_window/window_texts.h"

#include <array>
#include <utility>
#include <vector>

namespace main_window {
namespace {

constexpr std::size_t kTextCount = static_cast<std::size_t>(WindowText::NotDrawnMore) + 1;

constexpr std::array<std::pair<WindowText, std::string_view>, kTextCount> kTexts = {{
    {WindowText::FolderPrompt, "BMPのあるディレクトリ"},
    {WindowText::ProbeTitle, "画像サイズ取得中・・・%1/%2"},
    {WindowText::NoBmpFiles, "ディレクトリ [ %1 ]にはBMPファイルがありませんでした"},
    {WindowText::FileCount, "対象ファイル数－ %1"},
    {WindowText::StatusValid, "生成画像ステータス － 横%1個、縦%2個  %3"},
    {WindowText::StatusInvalid, "生成画像ステータス － 未設定もしくは正しくない値があります"},
    {WindowText::InvalidSettings, "設定が正しくありません"},
    {WindowText::PreparingTitle, "描画準備中・・・"},
    {WindowText::DrawingTitle, "描画中・・・%1/%2"},
    {WindowText::SavingTitle, "保存中・・・"},
    {WindowText::SizeText, "横%1×縦%2"},
    {WindowText::LargeOutputQuestion, "%1の大きなファイルになりますが実行しますか？"},
    {WindowText::CanvasBadSize, "出力画像の大きさが%1になるため作成できません"},
    {WindowText::CanvasOverflow, "出力画像（%1）はBMPファイルの上限（%2GB）を超えます"},
    {WindowText::CanvasOutOfMemory, "出力画像（%1）が大きすぎるため、メモリを確保できませんでした"},
    {WindowText::CanvasFailed, "出力画像を作成できませんでした"},
    {WindowText::SaveFailed, "ファイル [ %1 ] を保存できませんでした"},
    {WindowText::SaveFailedReason, "（%1）"},
    {WindowText::NotDrawnHead,
     "読み込めなかった画像が%1個あります。そのブロックは背景色のままです："},
    {WindowText::NotDrawnSource, "\n%1（%2）"},
    {WindowText::NotDrawnMore, "\nほか%1個"},
}};

constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < kTexts.size(); ++i)
    if (static_cast<std::size_t>(kTexts[i].first) != i) return false;
  return true;
}
static_assert(InEnumOrder(), "one entry per text, in the order of the enum");

}  // namespace

std::string_view TextOf(WindowText text) { return kTexts[static_cast<std::size_t>(text)].second; }

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
