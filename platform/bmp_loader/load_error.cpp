// The one table of reasons a source is refused, English and Japanese side by side so that
// the two cannot drift apart.

#include <array>
#include <utility>

#include "platform/bmp_loader/bmp_decoder.h"

namespace bmp_loader {
namespace {

constexpr std::size_t kErrorCount = static_cast<std::size_t>(DecodeError::TooManyOpenFiles) + 1;

constexpr std::array<std::pair<DecodeError, ReasonText>, kErrorCount> kReasons = {{
    {DecodeError::NotBmp, {"not a BMP file", "BMPファイルではありません"}},
    {DecodeError::TruncatedHeader,
     {"the file ends inside its header", "ヘッダーの途中でファイルが終わっています"}},
    {DecodeError::UnsupportedHeader, {"unknown BMP header version", "未対応のヘッダーです"}},
    {DecodeError::BadDimensions, {"width or height is zero or negative", "幅か高さが0以下です"}},
    {DecodeError::BadBitCount, {"unsupported number of bits per pixel", "未対応の色深度です"}},
    {DecodeError::UnsupportedCompression, {"unsupported compression", "未対応の圧縮形式です"}},
    {DecodeError::BadMasks, {"invalid colour masks", "色マスクが正しくありません"}},
    {DecodeError::TruncatedPalette,
     {"the file ends inside its colour table", "カラーテーブルの途中でファイルが終わっています"}},
    {DecodeError::BadPixelOffset,
     {"the pixel data offset lies outside the file", "画素データの位置がファイルの外です"}},
    {DecodeError::TruncatedPixels,
     {"the file ends before the last row of pixels", "画素データの途中でファイルが終わっています"}},
    {DecodeError::TopDownRle,
     {"compressed images cannot be stored top-down", "圧縮画像が上下逆順で格納されています"}},
    {DecodeError::TooLarge, {"the image is too large", "画像が大きすぎます"}},
    {DecodeError::RleTooSparse,
     {"the compressed data is too short for the image size",
      "圧縮データが画像の大きさに足りません"}},
    {DecodeError::NotFound, {"no such file", "ファイルが見つかりません"}},
    {DecodeError::PermissionDenied, {"permission denied", "読み取りが許可されていません"}},
    {DecodeError::NotRegularFile, {"not a regular file", "通常のファイルではありません"}},
    {DecodeError::OutOfMemory, {"out of memory", "メモリが足りません"}},
    {DecodeError::Unreadable, {"the file cannot be read", "ファイルを読み込めません"}},
    {DecodeError::NotAnImage, {"not an image file", "画像ファイルではありません"}},
    {DecodeError::Damaged, {"the file is damaged", "ファイルが壊れています"}},
    {DecodeError::Unsupported, {"unsupported kind of image", "未対応の画像形式です"}},
    {DecodeError::TooManyOpenFiles, {"too many open files", "開いているファイルが多すぎます"}},
}};

constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < kReasons.size(); ++i)
    if (static_cast<std::size_t>(kReasons[i].first) != i) return false;
  return true;
}
static_assert(InEnumOrder(), "one entry per error, in the order of the enum");

}  // namespace

ReasonText ReasonTextOf(DecodeError error) {
  const auto index = static_cast<std::size_t>(error);
  if (index >= kReasons.size()) return {"unknown error", "不明なエラーです"};
  return kReasons[index].second;
}

std::string_view Describe(DecodeError error) { return ReasonTextOf(error).english; }

}  // namespace bmp_loader
