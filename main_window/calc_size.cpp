#include <cmath>
#include <optional>

#include "main_window/form1.h"
#include "main_window/leading_number.h"
#include "main_window/rounding.h"
#include "main_window/setting_rules.h"

namespace main_window {
namespace {

// The file count of a one-based name list.
double FileCount(const GTFile::NameList& list) { return GTFile::UBound(list); }

}  // namespace

bool Form1::CalcSize(std::int32_t& Columns, std::int32_t& Rows, std::int32_t& OutWidth,
                     std::int32_t& OutHeight) {
  // All six fields are written on every call, valid or not. A setting too large for its
  // field is stored as 0 and makes the settings invalid.
  constexpr Setting kBoxes[] = {Setting::BlockWidth, Setting::BlockHeight, Setting::Spacing,
                                Setting::WrapCount};
  double numbers[4];
  bool accepted = true;
  for (int index = 0; index < 4; ++index) {
    numbers[index] = LeadingNumber(ui_.Text(Text1(index)));
    accepted = CheckSetting(kBoxes[index], numbers[index]) == SettingFault::None && accepted;
  }
  job_.BlockWidth = numbers[0];
  job_.BlockHeight = RoundToInt32(numbers[1]).value_or(0);
  job_.Spacing = RoundToInt32(numbers[2]).value_or(0);
  job_.ArrangeOrder = ArrangeOrderFromListIndex(ui_.ListIndex(Combo1(0)));
  job_.FitMode = FitModeFromListIndex(ui_.ListIndex(Combo1(1)));
  job_.WrapCount = RoundToInt32(numbers[3]).value_or(0);

  const double n = FileCount(job_.FileList);
  if (!accepted || n < 1) return false;

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
