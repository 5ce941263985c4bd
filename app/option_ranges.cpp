#include "app/option_ranges.h"

#include "join/setting_rules.h"

namespace app {
namespace {

using join::Setting;
using join::SettingFault;

Setting SettingOf(char shortName) {
  switch (shortName) {
    case 'W':
      return Setting::BlockWidth;
    case 'H':
      return Setting::BlockHeight;
    case 's':
      return Setting::Spacing;
    default:
      return Setting::WrapCount;
  }
}

std::string_view RuleOf(SettingFault fault) {
  switch (fault) {
    case SettingFault::NotPositive:
      return "more than 0";
    case SettingFault::Negative:
      return "at least 0";
    case SettingFault::BelowOne:
      return "at least 1";
    case SettingFault::TooLarge:
    case SettingFault::None:
      break;
  }
  return "at most 2147483647";
}

}  // namespace

std::optional<std::string> OutOfRange(char shortName, std::string_view longName,
                                      std::string_view value, double number) {
  const SettingFault fault = join::CheckSetting(SettingOf(shortName), number);
  if (fault == SettingFault::None) return std::nullopt;
  return "--" + std::string(longName) + " must be " + std::string(RuleOf(fault)) + ", not '" +
         std::string(value) + "'";
}

}  // namespace app
