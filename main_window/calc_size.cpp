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
  job_.BlockWidth = LeadingNumber(ui_.Text(Text1(0)));
  const std::optional<std::int32_t> height = RoundToInt32(LeadingNumber(ui_.Text(Text1(1))));
  const std::optional<std::int32_t> spacing = RoundToInt32(LeadingNumber(ui_.Text(Text1(2))));
  job_.BlockHeight = height.value_or(0);
  job_.Spacing = spacing.value_or(0);
  job_.ArrangeOrder = ArrangeOrderFromListIndex(ui_.ListIndex(Combo1(0)));
  job_.FitMode = fitOverride_.value_or(FitModeFromListIndex(ui_.ListIndex(Combo1(1))));
  const std::optional<std::int32_t> wrap = RoundToInt32(LeadingNumber(ui_.Text(Text1(3))));
  job_.WrapCount = wrap.value_or(0);

  const double n = FileCount(job_.FileList);
  if (!height || !spacing || !wrap) return false;
  if (!(*job_.BlockWidth > 0) || job_.BlockHeight <= 0 || job_.Spacing < 0 || job_.WrapCount <= 0 ||
      n < 1) {
    return false;
  }

  const double lines =
      -std::floor(-n / job_.WrapCount);  // rows or columns: n / WrapCount rounded up
  const bool byRows = job_.ArrangeOrder == ArrangeOrder::RowsFromTopLeft;
  const double columns = byRows ? job_.WrapCount : lines;
  const double rows = byRows ? lines : job_.WrapCount;
  const std::optional<std::int32_t> width =
      RoundToInt32(columns * *job_.BlockWidth + (columns + 1) * job_.Spacing);
  const std::optional<std::int32_t> outHeight =
      RoundToInt32(rows * job_.BlockHeight + (rows + 1) * job_.Spacing);
  if (!width || !outHeight) return false;

  Columns = static_cast<std::int32_t>(columns);
  Rows = static_cast<std::int32_t>(rows);
  OutWidth = *width;
  OutHeight = *outHeight;
  return true;
}

}  // namespace main_window
