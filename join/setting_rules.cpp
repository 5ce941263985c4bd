#include "join/setting_rules.h"

#include "join/rounding.h"

namespace join {

SettingFault CheckSetting(Setting setting, double number) {
  if (setting == Setting::BlockWidth) {
    if (!(number > 0)) return SettingFault::NotPositive;
    // A fractional width is drawn as typed, but no output is wider than an int32.
    return RoundToInt32(number) ? SettingFault::None : SettingFault::TooLarge;
  }
  const bool spacing = setting == Setting::Spacing;
  const std::optional<std::int32_t> rounded = RoundToInt32(number);
  if (rounded && *rounded >= (spacing ? 0 : 1)) return SettingFault::None;
  if (number > 0 && !rounded) return SettingFault::TooLarge;
  return spacing ? SettingFault::Negative : SettingFault::BelowOne;
}

}  // namespace join
