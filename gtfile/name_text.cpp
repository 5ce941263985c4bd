#include "gtfile/name_text.h"

#include <iterator>
#include <memory>
#include <utility>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "gtfile/keyed_order.h"

namespace GTFile {
namespace {

// Japanese collation at secondary strength: case is ignored, accents still count. Made once
// because opening a collator loads and builds its tables.
const icu::Collator* NameCollator() {
  static const std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status)) return std::unique_ptr<icu::Collator>();
    made->setStrength(icu::Collator::SECONDARY);
    return made;
  }();
  return collator.get();
}

std::string SortKey(const icu::Collator* collator, std::string_view name) {
  if (collator == nullptr) return {};  // no ICU data: fall back to code-point order alone
  const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
  std::string key(name.size() * 4 + 16, '\0');
  for (;;) {
    const int32_t needed = collator->getSortKey(text, reinterpret_cast<uint8_t*>(key.data()),
                                                static_cast<int32_t>(key.size()));
    if (needed <= static_cast<int32_t>(key.size())) {
      key.resize(needed > 0 ? needed - 1 : 0);  // drop the terminating zero
      return key;
    }
    key.resize(needed);
  }
}

}  // namespace

std::string LowerCaseName(std::string_view name) {
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
  std::string lowered;
  text.toLower(icu::Locale::getRoot()).toUTF8String(lowered);
  return lowered;
}

std::string NameCollationKey(std::string_view text) { return SortKey(NameCollator(), text); }

std::vector<std::size_t> NameOrder(const std::vector<std::string>& names) {
  // Sort keys are built once per name, so n log n comparisons cost memcmp each rather than
  // a full collation walk.
  const icu::Collator* collator = NameCollator();
  std::vector<std::pair<std::string, const std::string*>> keyed;
  keyed.reserve(names.size());
  for (const std::string& name : names) keyed.emplace_back(SortKey(collator, name), &name);
  return StableOrder(keyed, [](const auto& a, const auto& b) {
    if (const int order = a.first.compare(b.first); order != 0) return order < 0;
    return *a.second < *b.second;  // UTF-8 byte order is code-point order
  });
}

void SortNames(std::vector<std::string>::iterator first, std::vector<std::string>::iterator last) {
  std::vector<std::string> names(std::make_move_iterator(first), std::make_move_iterator(last));
  for (const std::size_t index : NameOrder(names)) *first++ = std::move(names[index]);
}

}  // namespace GTFile
