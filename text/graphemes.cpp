#include "text/graphemes.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <memory>

namespace text {

std::vector<std::size_t> GraphemeBoundaries(std::u32string_view text) {
  const icu::UnicodeString units = icu::UnicodeString::fromUTF32(
      reinterpret_cast<const UChar32*>(text.data()), static_cast<std::int32_t>(text.size()));
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> breaks(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  std::vector<std::size_t> boundaries{0};
  if (U_FAILURE(status)) {  // without ICU's data every code point stands alone
    for (std::size_t i = 1; i <= text.size(); ++i) boundaries.push_back(i);
    return boundaries;
  }
  breaks->setText(units);
  std::size_t codePoint = 0;
  std::int32_t previous = 0;
  for (std::int32_t unit = breaks->next(); unit != icu::BreakIterator::DONE;
       unit = breaks->next()) {
    codePoint += static_cast<std::size_t>(units.countChar32(previous, unit - previous));
    boundaries.push_back(codePoint);
    previous = unit;
  }
  if (boundaries.back() != text.size()) boundaries.push_back(text.size());
  return boundaries;
}

}  // namespace text
