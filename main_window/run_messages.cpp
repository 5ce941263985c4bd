#include "main_window/run_messages.h"

#include <algorithm>

namespace main_window {
namespace {

std::string SizeText(std::int32_t width, std::int32_t height) {
  return "横" + std::to_string(width) + "×縦" + std::to_string(height);
}

std::string FileNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name that carries control characters (a newline, an escape) would break the list apart
// or worse; each shows as '?'.
std::string PrintableName(std::string name) {
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return name;
}

}  // namespace

std::string DrawingTitle(std::int32_t i, std::int32_t n) {
  return "描画中・・・" + std::to_string(i) + "/" + std::to_string(n);
}

std::string SavingTitle(int percent) {
  return std::string(kSavingTitle) + " " + std::to_string(percent) + "%";
}

std::string LargeOutputQuestion(std::int32_t width, std::int32_t height) {
  return SizeText(width, height) + "の大きなファイルになりますが実行しますか？";
}

std::string CanvasFailureMessage(DSMod::CanvasError error, std::int32_t width,
                                 std::int32_t height) {
  switch (error) {
    case DSMod::CanvasError::BadSize:
      return "出力画像の大きさが" + SizeText(width, height) + "になるため作成できません";
    case DSMod::CanvasError::Overflow:
      return "出力画像（" + SizeText(width, height) + "）はBMPファイルの上限（2GB）を超えます";
    case DSMod::CanvasError::OutOfMemory:
      return "出力画像（" + SizeText(width, height) +
             "）が大きすぎるため、メモリを確保できませんでした";
    case DSMod::CanvasError::BadPalette:
      break;
  }
  return "出力画像を作成できませんでした";
}

std::string SaveFailureMessage(const std::string& path, const DSMod::SaveError& error) {
  std::string text = "ファイル [ " + path + " ] を保存できませんでした";
  if (!error.reason.empty()) text.append("（").append(error.reason).append("）");
  return text;
}

std::string NotDrawnMessage(const std::vector<NotDrawnSource>& sources) {
  constexpr std::size_t kNamesShown = 10;
  std::string text = "読み込めなかった画像が" + std::to_string(sources.size()) +
                     "個あります。そのブロックは背景色のままです：";
  const std::size_t shown = std::min(sources.size(), kNamesShown);
  for (std::size_t k = 0; k < shown; ++k) {
    text.append("\n").append(PrintableName(FileNameOf(sources[k].path)));
    text.append("（").append(eveda::bmp::ReasonTextOf(sources[k].reason).japanese).append("）");
  }
  if (sources.size() > shown) {
    text.append("\nほか").append(std::to_string(sources.size() - shown)).append("個");
  }
  return text;
}

}  // namespace main_window
