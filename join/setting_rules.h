#pragma once
// Which values the four number boxes accept. The window checks them before every status line
// and run, and eveda-batch as it reads its options, so both refuse alike.

namespace join {

enum class Setting { BlockWidth, BlockHeight, Spacing, WrapCount };

enum class SettingFault {
  None,
  NotPositive,  // the cell width must be more than 0
  Negative,     // the spacing must be at least 0
  BelowOne,     // the cell height and the wrap count must be at least 1
  TooLarge,     // rounded, the value passes 2147483647
};

// For the number a box's text reads as (LeadingNumber): whether the window accepts it. The
// cell width keeps its fraction; the others are rounded half to even first.
SettingFault CheckSetting(Setting setting, double number);

}  // namespace join
