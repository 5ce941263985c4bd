#include "join/rounding.h"
#include "join/setting_rules.h"
#include "main_window/form1.h"
#include "main_window/leading_number.h"

namespace main_window {

using join::RoundToInt32;
using join::Setting;
using join::SettingFault;

join::Layout LayoutOf(const JobState& job) {
  return {job.BlockWidth.value_or(0), job.BlockHeight, job.Spacing, job.WrapCount,
          job.ArrangeOrder,           job.FitMode};
}

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
    accepted = join::CheckSetting(kBoxes[index], numbers[index]) == SettingFault::None && accepted;
  }
  job_.BlockWidth = numbers[0];
  job_.BlockHeight = RoundToInt32(numbers[1]).value_or(0);
  job_.Spacing = RoundToInt32(numbers[2]).value_or(0);
  job_.ArrangeOrder = join::ArrangeOrderFromListIndex(ui_.ListIndex(Combo1(0)));
  job_.FitMode = join::FitModeFromListIndex(ui_.ListIndex(Combo1(1)));
  job_.WrapCount = RoundToInt32(numbers[3]).value_or(0);

  if (!accepted) return false;
  const auto grid = join::GridOf(LayoutOf(job_), GTFile::UBound(job_.FileList));
  if (!grid) return false;
  Columns = grid->Columns;
  Rows = grid->Rows;
  OutWidth = grid->Width;
  OutHeight = grid->Height;
  return true;
}

}  // namespace main_window
