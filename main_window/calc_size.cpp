#include <cmath>
#include <optional>

#include "main_window/form1.h"
#include "main_window/leading_number.h"
#include "main_window/rounding.h"

namespace main_window {
namespace {

// The file count of a one-based name list.
double FileCount(const GTFile::NameList& list) { return GTFile::UBound(list); }

}  // namespace

bool Form1::CalcSize(std::int32_t& Columns, std::int32_t& Rows, std::int32_t& OutWidth,
                     std::int32_t& OutHeight) {
  // All six fields are written on every call, valid or not. A setting too large for its
  // field is stored as 0 and makes the settings invalid.
  BlockWidth = LeadingNumber(ui_.Text(Text1(0)));
  const std::optional<std::int32_t> height = RoundToInt32(LeadingNumber(ui_.Text(Text1(1))));
  const std::optional<std::int32_t> spacing = RoundToInt32(LeadingNumber(ui_.Text(Text1(2))));
  BlockHeight = height.value_or(0);
  Spacing = spacing.value_or(0);
  ArrangeOrder = ui_.ListIndex(Combo1(0));
  FitMode = ui_.ListIndex(Combo1(1));
  const std::optional<std::int32_t> wrap = RoundToInt32(LeadingNumber(ui_.Text(Text1(3))));
  WrapCount = wrap.value_or(0);

  const double n = FileCount(FileList);
  if (!height || !spacing || !wrap) return false;
  if (!(*BlockWidth > 0) || BlockHeight <= 0 || Spacing < 0 || WrapCount <= 0 || n < 1) {
    return false;
  }

  const double lines = -std::floor(-n / WrapCount);  // rows or columns: n / WrapCount rounded up
  const double columns = ArrangeOrder == 0 ? WrapCount : lines;
  const double rows = ArrangeOrder == 0 ? lines : WrapCount;
  const std::optional<std::int32_t> width =
      RoundToInt32(columns * *BlockWidth + (columns + 1) * Spacing);
  const std::optional<std::int32_t> outHeight =
      RoundToInt32(rows * BlockHeight + (rows + 1) * Spacing);
  if (!width || !outHeight) return false;

  Columns = static_cast<std::int32_t>(columns);
  Rows = static_cast<std::int32_t>(rows);
  OutWidth = *width;
  OutHeight = *outHeight;
  return true;
}

}  // namespace main_window
